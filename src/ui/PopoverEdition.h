#pragma once

#include "api/TransferAPI.h"
#include "core/Transfert.h"

#include <QDateTime>
#include <QFrame>

#include <functional>
#include <optional>

class ChampSaisie;
class Libelle;
class ValtoButton;
class ValtoPrimaryButton;
class ValtoSelect;

// The small window over a history row where the title and the expiry are changed.
class PopoverEdition final : public QFrame {
    Q_OBJECT

public:
    // -1 leaves the expiry as it is.
    static constexpr qint64 expirationInchangee = -1;
    static constexpr int largeurContenu = 300;

    PopoverEdition(const Transfert& transfert, std::function<QDateTime()> maintenant, QWidget* parent);

    const QString& token() const { return m_token; }
    QString titreEdite() const;
    qint64 expirationEditee() const;
    std::optional<QString> erreurEdition() const { return m_erreurEdition; }
    bool enregistrementEnCours() const { return m_enregistrementEnCours; }

    // What a save sends; nothing when neither the title nor the expiry changes.
    std::optional<CorpsModification> modification() const;

    void setEnregistrementEnCours(bool enCours);
    // A failed save: the message shows, the typed values stay, saving is possible again.
    void echouer(const QString& message);

    // Opens under `ancre` (above it when the screen has no room below).
    void ouvrir(QWidget* ancre);

Q_SIGNALS:
    void enregistrementDemande();
    void fermee();

protected:
    void keyPressEvent(QKeyEvent* evenement) override;
    void hideEvent(QHideEvent* evenement) override;
    void paintEvent(QPaintEvent* evenement) override;

private:
    void actualiser();
    void enregistrer();

    QString m_token;
    QString m_titreActuel;
    std::function<QDateTime()> m_maintenant;
    std::optional<QString> m_erreurEdition;
    bool m_enregistrementEnCours = false;
    ChampSaisie* m_titre;
    ValtoSelect* m_expiration;
    Libelle* m_indication;
    Libelle* m_erreur;
    ValtoPrimaryButton* m_enregistrer;
};
