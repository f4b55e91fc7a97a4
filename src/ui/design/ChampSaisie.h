#pragma once

#include <QLineEdit>

// A one-line text input drawn like the select: field fill, line border, rounded; optionally masked.
class ChampSaisie final : public QLineEdit {
    Q_OBJECT

public:
    explicit ChampSaisie(const QString& placeholder = {}, QWidget* parent = nullptr);

    QSize sizeHint() const override;

    // The design system's text colours on any line edit, kept in step with the appearance.
    static void suivreApparence(QLineEdit& champ);

protected:
    void paintEvent(QPaintEvent* evenement) override;
};
