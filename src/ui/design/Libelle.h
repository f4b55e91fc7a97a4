#pragma once

#include <QLabel>

struct Jeton;

// A text of the design system: its face, and a colour token followed live across appearance changes.
// Optionally kept on one line and shortened in the middle.
class Libelle final : public QLabel {
    Q_OBJECT

public:
    Libelle(const QString& texte, const QFont& police, const Jeton& couleur, QWidget* parent = nullptr);

    void setCouleur(const Jeton& couleur);
    void setEliderAuMilieu(bool elider);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    void appliquerCouleur();

    const Jeton* m_couleur;
    bool m_eliderAuMilieu = false;
};
