#pragma once

#include "core/Plateforme.h"

#include <QSettings>
#include <QVariant>

#include <memory>

// The per-user preference store and the accessors that give each setting its effective value.
class Preferences final {
public:
    static inline const QString cleApiBaseURL = QStringLiteral("apiBaseURL");
    static inline const QString cleApiKey = QStringLiteral("apiKey");
    static inline const QString cleNasMountPath = QStringLiteral("nasMountPath");
    static inline const QString cleExpediteur = QStringLiteral("expediteur");
    static inline const QString cleDefaultExpiryDays = QStringLiteral("defaultExpiryDays");
    static inline const QString clePartagesConnus = QStringLiteral("partagesConnus");
    static inline const QString clePrevenirReceptions = QStringLiteral("prevenirReceptions");
    static inline const QString cleUpdateAutoDerniereTentative =
        QStringLiteral("updateAutoDerniereTentative");

    static inline const QString dossierCopiesParDefaut = QStringLiteral("/Volumes/DATA/Valto Transferts");
    static constexpr qint64 expirationParDefaut = 7;

    explicit Preferences(const Plateforme& plateforme);
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    QString apiBaseURL() const;
    QString apiKey();
    QString nasMountPath() const;
    QString expediteur() const;
    qint64 defaultExpiryDays() const;
    // Desktop notices when a link is opened or downloaded; on unless turned off.
    bool prevenirReceptions() const;

    // Raw access, for the settings that other parts read and write themselves.
    QVariant valeur(const QString& cle) const;
    bool contient(const QString& cle) const;
    void ecrire(const QString& cle, const QVariant& valeur);
    void effacer(const QString& cle);

    // The NAS key file, on the share DATA where the shares are mounted.
    QString fichierCleAPI() const;

private:
    QString chaine(const QString& cle) const;

    std::unique_ptr<QSettings> m_stockage;
    QString m_racineParDefaut;
    QString m_origineServeur;
    QString m_nomCompletUtilisateur;
};
