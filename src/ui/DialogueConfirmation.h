#pragma once

#include <QDialog>
#include <QString>

// A modal question on the page background: a quiet way back, focused so that a stray Enter takes it,
// and a dangerous way on.
class DialogueConfirmation : public QDialog {
    Q_OBJECT

public:
    // A button's text and the object name tests find it by.
    struct Bouton {
        QString texte;
        QString nom;
    };

    DialogueConfirmation(const QString& titreFenetre, const QString& question, const QString& explication,
                         const Bouton& retour, const Bouton& confirmation, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* evenement) override;
};
