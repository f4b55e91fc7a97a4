#pragma once

#include <QWidget>

class QVBoxLayout;

// The card the step screens share: a centred column on the surface colour, rounded, at least 180 high.
class CarteEtape : public QWidget {
    Q_OBJECT

public:
    CarteEtape(int espacement, QWidget* parent = nullptr);

protected:
    // Adds a centred item; `espaceAvant` is extra room above it.
    void ajouter(QWidget* element, int espaceAvant = 0);
    void ajouterPleineLargeur(QWidget* element, int espaceAvant = 0);
    void paintEvent(QPaintEvent* evenement) override;

private:
    QVBoxLayout* m_colonne;
};
