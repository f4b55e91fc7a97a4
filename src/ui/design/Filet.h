#pragma once

#include <QWidget>

// A one-unit horizontal rule in the line colour, as wide as its place.
class Filet final : public QWidget {
    Q_OBJECT

public:
    explicit Filet(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* evenement) override;
};
