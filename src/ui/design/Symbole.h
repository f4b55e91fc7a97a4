#pragma once

#include <QWidget>

struct Jeton;

// One of the project's symbols as a widget of its own, `cote` units square, in a colour token.
class Symbole final : public QWidget {
    Q_OBJECT

public:
    Symbole(const QString& nom, qreal cote, const Jeton& couleur, QWidget* parent = nullptr);

    QString nom() const { return m_nom; }
    void setNom(const QString& nom);
    void setCouleur(const Jeton& couleur);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    QString m_nom;
    qreal m_cote;
    const Jeton* m_couleur;
};
