#pragma once

#include <QWidget>

struct Jeton;

// The mark at the top of the result and error cards: a tinted disc with a symbol on it.
class MarqueRonde final : public QWidget {
    Q_OBJECT

public:
    MarqueRonde(const QString& symbole, const Jeton& fond, const Jeton& couleur, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    QString m_symbole;
    const Jeton& m_fond;
    const Jeton& m_couleur;
};
