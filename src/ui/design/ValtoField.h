#pragma once

#include <QWidget>

class Libelle;

// A labelled input: the label in spaced capitals above the content it is given.
class ValtoField final : public QWidget {
    Q_OBJECT

public:
    ValtoField(const QString& label, QWidget* content, QWidget* parent = nullptr);

    QString label() const { return m_label; }
    QWidget* content() const { return m_content; }

private:
    QString m_label;
    QWidget* m_content;
};
