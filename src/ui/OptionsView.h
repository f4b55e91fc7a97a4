#pragma once

#include <QList>
#include <QWidget>

#include <functional>

class ChampSaisie;
class Libelle;
class Preferences;
class QScrollArea;
class QVBoxLayout;
class TransferFlow;
class ValtoButton;
class ValtoPrimaryButton;
class ValtoSelect;
struct Plateforme;

// The screen of the step `options`: the chosen entries, the title, expiry and password, and the buttons
// that cancel or create the link. It edits the flow directly and keeps no transfer data of its own.
class OptionsView final : public QWidget {
    Q_OBJECT

public:
    OptionsView(TransferFlow& flow, Preferences& preferences, const Plateforme& plateforme,
                QWidget* parent = nullptr);

    // Run by "Créer le lien".
    std::function<void()> surEnvoi;

    // "3 éléments · 1,2 Mo", and in compare mode without two files " — dépose encore un fichier".
    QString resume() const;
    // A title that is not blank and, in compare mode, exactly two files.
    bool envoiPossible() const;

protected:
    void dragEnterEvent(QDragEnterEvent* evenement) override;
    void dragMoveEvent(QDragMoveEvent* evenement) override;
    void dropEvent(QDropEvent* evenement) override;

private:
    QWidget* construireListe();
    QWidget* construireResume();
    QWidget* construireChamps();
    QWidget* construireBoutons();
    void lier();
    void actualiserListe();
    void actualiserResume();
    void actualiserValidation();
    void ajouterDepuisDialogue();
    bool surLeNAS(const QString& chemin) const;

    TransferFlow& m_flow;
    Preferences& m_preferences;
    const QString m_racineVolumes;

    QScrollArea* m_liste = nullptr;
    QVBoxLayout* m_lignes = nullptr;
    Libelle* m_resume = nullptr;
    ValtoButton* m_ajouter = nullptr;
    ChampSaisie* m_titre = nullptr;
    ValtoSelect* m_expiration = nullptr;
    ChampSaisie* m_motDePasse = nullptr;
    ValtoPrimaryButton* m_creer = nullptr;
};
