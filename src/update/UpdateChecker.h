#pragma once

#include "core/Plateforme.h"
#include "update/Etat.h"
#include "update/UpdateInstaller.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QUrl>
#include <functional>
#include <optional>

class Preferences;

// Finds a newer release on the studio's server, downloads and stages it, and installs it when idle.
class UpdateChecker final : public QObject {
    Q_OBJECT
    Q_PROPERTY(Etat etat READ etat NOTIFY etatChanged)
    Q_PROPERTY(std::optional<VersionInfo> info READ info NOTIFY infoChanged)
    Q_PROPERTY(std::optional<QString> appStagee READ appStagee NOTIFY appStageeChanged)

public:
    static constexpr qint64 tailleTampon = 262'144;
    static inline const QString tentativeRepetee =
        QStringLiteral("Mise à jour automatique impossible — installe la nouvelle version manuellement "
                       "(glisse l'app dans Applications).");

    using Progression = std::function<void(std::optional<double>)>;

    UpdateChecker(Preferences& preferences, Plateforme plateforme, QObject* parent = nullptr);

    Etat etat() const { return m_etat; }
    std::optional<VersionInfo> info() const { return m_info; }
    std::optional<QString> appStagee() const { return m_appStagee; }

    // Reads the manifest and, for a newer version, downloads and stages it. Never fails visibly by itself.
    QCoro::Task<> verifier();
    // Installs the staged update unless a transfer is under way.
    void installerSiInactif(bool occupe);
    void ouvrirTelechargement();
    void masquer();

    // True when `manifeste` is strictly newer than `courante`, compared number by number.
    static bool estPlusRecente(const QString& manifeste, const QString& courante);
    // Absent when the body is not a usable manifest.
    static std::optional<VersionInfo> lireManifeste(const QByteArray& corps);
    // Downloads the image into the version's staging directory, checks it and stages its bundle.
    // `progression` is called after each full buffer written and once with 1.0 at the end.
    static QCoro::Task<Resultat<QString, UpdateInstaller::Erreur>>
    telechargerEtPreparer(Plateforme plateforme, VersionInfo info, Progression progression);

Q_SIGNALS:
    void etatChanged();
    void infoChanged();
    void appStageeChanged();

private:
    void setEtat(const Etat& etat);
    void setInfo(const VersionInfo& info);
    void setAppStagee(const QString& chemin);
    void appliquerProgression(std::optional<double> fraction);
    QString versionCourante() const;

    Preferences& m_preferences;
    const Plateforme m_plateforme;
    Etat m_etat;
    std::optional<VersionInfo> m_info;
    std::optional<QString> m_appStagee;
    bool m_relanceLancee = false;
};
