#include "update/UpdateChecker.h"

#include "api/ReseauPartage.h"
#include "core/Preferences.h"

#include <QCoreApplication>
#include <QCoro/QCoroNetworkReply>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTemporaryDir>
#include <coroutine>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;
using UpdateInstaller::Echec;
using UpdateInstaller::Erreur;

namespace {

constexpr int delaiManifesteMs = 10'000;
// A manifest is a few lines: anything larger is abandoned while it streams in, not read into memory.
constexpr qint64 plafondManifeste = 1024 * 1024;
constexpr int delaiImageMs = 60'000;

struct SuppressionDifferee {
    void operator()(QNetworkReply* reponse) const { reponse->deleteLater(); }
};
using Reponse = std::unique_ptr<QNetworkReply, SuppressionDifferee>;

Reponse envoyerGET(const QUrl& url, int delaiMs)
{
    QNetworkRequest requete(url);
    requete.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    requete.setTransferTimeout(delaiMs);
    // No secret travels with these requests; Qt still never follows to a non-HTTP scheme or down to http.
    requete.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    return Reponse(reseauPartage().get(requete));
}

// Resumes once the reply has bytes to read or has finished, whichever comes first.
class ProchainMorceau final {
public:
    explicit ProchainMorceau(QNetworkReply* reponse)
        : m_reponse(reponse)
    {
    }

    bool await_ready() const { return m_reponse->bytesAvailable() > 0 || m_reponse->isFinished(); }
    void await_suspend(std::coroutine_handle<> suite)
    {
        const auto reprendre = [this, suite] {
            QObject::disconnect(m_lecture);
            QObject::disconnect(m_fin);
            suite.resume();
        };
        m_lecture = QObject::connect(m_reponse, &QNetworkReply::readyRead, m_reponse, reprendre);
        m_fin = QObject::connect(m_reponse, &QNetworkReply::finished, m_reponse, reprendre);
    }
    void await_resume() const {}

private:
    QNetworkReply* m_reponse;
    QMetaObject::Connection m_lecture;
    QMetaObject::Connection m_fin;
};

// One piece of a version: an optional sign and decimal digits; anything else, or an overflow, counts as 0.
qint64 nombreDeVersion(const QString& morceau)
{
    const qsizetype debut = morceau.startsWith(u'+') || morceau.startsWith(u'-') ? 1 : 0;
    if (morceau.size() == debut) {
        return 0;
    }
    for (qsizetype i = debut; i < morceau.size(); ++i) {
        if (morceau.at(i) < u'0' || morceau.at(i) > u'9') {
            return 0;
        }
    }
    bool ok = false;
    const qint64 nombre = morceau.toLongLong(&ok);
    return ok ? nombre : 0;
}

QList<qint64> nombresDeVersion(const QString& version)
{
    QList<qint64> nombres;
    for (const QString& morceau : version.split(u'.', Qt::SkipEmptyParts)) {
        nombres.append(nombreDeVersion(morceau));
    }
    return nombres;
}

std::optional<double> fractionEcrite(qint64 ecrits, qint64 attendus)
{
    if (attendus < 1) {
        return std::nullopt;
    }
    return std::min(1.0, static_cast<double>(ecrits) / static_cast<double>(attendus));
}

// Leftovers of earlier attempts at the same version: real folders of this user only, never a link.
void retirerStagingsPrecedents(const QString& dossierTemporaire, const QString& nom)
{
    const QFileInfoList entrees =
        QDir(dossierTemporaire).entryInfoList({nom + u"-??????"_s}, QDir::Dirs | QDir::Hidden | QDir::System);
    for (const QFileInfo& entree : entrees) {
        if (!entree.isSymLink() && entree.ownerId() == ::getuid()) {
            QDir(entree.filePath()).removeRecursively();
        }
    }
}

// A folder made fresh for this run and readable by its owner only: the temporary folder may be shared,
// and a name known in advance is a name another user can plant a link at.
Resultat<QString> creerDossierStaging(const QString& dossierTemporaire, const QString& nom)
{
    retirerStagingsPrecedents(dossierTemporaire, nom);
    QTemporaryDir dossier(dossierTemporaire + u'/' + nom + u"-XXXXXX"_s);
    if (!dossier.isValid()) {
        return std::unexpected(ErreurSysteme{dossier.errorString()});
    }
    // It outlives the application: the relaunch script removes it.
    dossier.setAutoRemove(false);
    return dossier.path();
}

ErreurSysteme erreurTelechargement(const QNetworkReply& reponse)
{
    // Our own timeout surfaces as a cancellation; it counts from the last byte received.
    if (reponse.error() == QNetworkReply::OperationCanceledError) {
        return ErreurSysteme{
            u"Le serveur ne répond plus (aucune donnée depuis %1 s)."_s.arg(delaiImageMs / 1000)};
    }
    return ErreurSysteme{reponse.errorString()};
}

} // namespace

UpdateChecker::UpdateChecker(Preferences& preferences, Plateforme plateforme, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_plateforme(std::move(plateforme))
{
}

bool UpdateChecker::estPlusRecente(const QString& manifeste, const QString& courante)
{
    const QList<qint64> nouveaux = nombresDeVersion(manifeste);
    const QList<qint64> actuels = nombresDeVersion(courante);
    for (qsizetype i = 0; i < std::max(nouveaux.size(), actuels.size()); ++i) {
        const qint64 nouveau = nouveaux.value(i, 0);
        const qint64 actuel = actuels.value(i, 0);
        if (nouveau != actuel) {
            return nouveau > actuel;
        }
    }
    return false;
}

std::optional<VersionInfo> UpdateChecker::lireManifeste(const QByteArray& corps)
{
    const QJsonObject objet = QJsonDocument::fromJson(corps).object();
    const QJsonValue version = objet.value("version"_L1);
    const QJsonValue url = objet.value("url"_L1);
    const QJsonValue somme = objet.value("sha256"_L1);
    if (!version.isString() || !url.isString()) {
        return std::nullopt;
    }
    // The version names a folder in the temporary directory: it must not climb out of it.
    if (version.toString().contains(u'/')) {
        return std::nullopt;
    }
    // A checksum that is not a string is ignored, like any member this application does not know.
    return VersionInfo{version.toString(), url.toString(),
                       somme.isString() ? std::optional<QString>(somme.toString()) : std::nullopt};
}

QString UpdateChecker::versionCourante() const
{
    return m_plateforme.versionCourante.isEmpty() ? u"0"_s : m_plateforme.versionCourante;
}

QCoro::Task<> UpdateChecker::verifier()
{
    QPointer<UpdateChecker> soi(this);
    const Reponse reponse =
        envoyerGET(QUrl(m_plateforme.origineServeur + u"/releases/version.json"_s), delaiManifesteMs);
    const std::shared_ptr<const bool> depasse = plafonner(reponse.get(), plafondManifeste);
    co_await reponse.get();
    if (!soi) {
        co_return;
    }
    const QVariant statut = reponse->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (*depasse || reponse->error() != QNetworkReply::NoError || !statut.isValid() ||
        statut.toInt() != 200) {
        co_return;
    }
    const std::optional<VersionInfo> manifeste = lireManifeste(reponse->readAll());
    if (!manifeste || !estPlusRecente(manifeste->version, versionCourante())) {
        co_return;
    }
    const QUrl url(manifeste->url, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) {
        co_return;
    }
    setInfo(*manifeste);
    const QVariant tentative = m_preferences.valeur(Preferences::cleUpdateAutoDerniereTentative);
    if (tentative.typeId() == QMetaType::QString && tentative.toString() == manifeste->version) {
        setEtat(Etat::echec(tentativeRepetee));
        co_return;
    }
    setEtat(Etat::telechargement());
    // Reports are queued on their own and hold the checker weakly: a late one finds it gone or moved on.
    const Progression progression = [soi](std::optional<double> fraction) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [soi, fraction] {
                if (soi) {
                    soi->appliquerProgression(fraction);
                }
            },
            Qt::QueuedConnection);
    };
    QCoro::Task<Resultat<QString, Erreur>> preparation =
        telechargerEtPreparer(m_plateforme, *manifeste, progression);
    const Resultat<QString, Erreur> stagee = co_await preparation;
    if (!soi) {
        co_return;
    }
    if (!stagee) {
        setEtat(Etat::echec(description(stagee.error())));
        co_return;
    }
    setAppStagee(*stagee);
    setEtat(Etat::prete());
}

QCoro::Task<Resultat<QString, Erreur>>
UpdateChecker::telechargerEtPreparer(Plateforme plateforme, VersionInfo info, Progression progression)
{
    const Resultat<QString> staging = creerDossierStaging(
        plateforme.dossierTemporaire, plateforme.identifiantBundle + u".update-"_s + info.version);
    if (!staging) {
        co_return std::unexpected(staging.error());
    }
    const QString dossierStaging = *staging;
    const Reponse reponse = envoyerGET(QUrl(info.url), delaiImageMs);
    // Qt stops reading the socket while this much is waiting, so memory stays flat however large the image.
    reponse->setReadBufferSize(tailleTampon);
    co_await ProchainMorceau(reponse.get());

    const QVariant statut = reponse->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statut.isValid() && reponse->error() != QNetworkReply::NoError) {
        co_return std::unexpected(erreurTelechargement(*reponse));
    }
    if (!statut.isValid() || statut.toInt() != 200) {
        co_return std::unexpected(Echec{UpdateInstaller::telechargementRefuse});
    }
    const qint64 attendus = reponse->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    // Without a length or a checksum, an image cut short (a chunked answer included) looks complete.
    if (attendus < 1 && !info.sha256) {
        co_return std::unexpected(Echec{UpdateInstaller::tailleNonAnnoncee});
    }
    QFile image(dossierStaging + u'/' + plateforme.outilsMiseAJour.nomImage());
    // Unbuffered: a full disk shows up at the write that hits it.
    if (!image.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        co_return std::unexpected(ErreurSysteme{image.errorString()});
    }
    QCryptographicHash empreinte(QCryptographicHash::Sha256);
    QByteArray tampon(tailleTampon, Qt::Uninitialized);
    qint64 rempli = 0;
    qint64 ecrits = 0;
    const auto vider = [&]() -> bool {
        const QByteArrayView contenu(tampon.constData(), rempli);
        if (image.write(contenu.data(), rempli) != rempli) {
            return false;
        }
        empreinte.addData(contenu);
        ecrits += rempli;
        rempli = 0;
        return true;
    };
    while (true) {
        while (reponse->bytesAvailable() > 0) {
            rempli += reponse->read(tampon.data() + rempli, tailleTampon - rempli);
            if (rempli < tailleTampon) {
                continue;
            }
            if (!vider()) {
                co_return std::unexpected(ErreurSysteme{image.errorString()});
            }
            progression(fractionEcrite(ecrits, attendus));
        }
        if (reponse->isFinished()) {
            break;
        }
        co_await ProchainMorceau(reponse.get());
    }
    if (reponse->error() != QNetworkReply::NoError) {
        co_return std::unexpected(erreurTelechargement(*reponse));
    }
    if (!vider()) {
        co_return std::unexpected(ErreurSysteme{image.errorString()});
    }
    progression(1.0);
    image.close();
    if (info.sha256 &&
        info.sha256->compare(QString::fromLatin1(empreinte.result().toHex()), Qt::CaseInsensitive) != 0) {
        co_return std::unexpected(Echec{UpdateInstaller::imageCorrompue});
    }
    co_return UpdateInstaller::preparer(plateforme.outilsMiseAJour, image.fileName(), dossierStaging);
}

void UpdateChecker::installerSiInactif(bool occupe)
{
    if (m_etat.cas != Etat::Cas::prete || occupe || !m_appStagee || m_relanceLancee) {
        return;
    }
    if (m_info) {
        m_preferences.ecrire(Preferences::cleUpdateAutoDerniereTentative, m_info->version);
    }
    const Resultat<void, Erreur> installee = UpdateInstaller::installerEtRelancer(m_plateforme, *m_appStagee);
    if (!installee) {
        setEtat(Etat::echec(description(installee.error())));
        return;
    }
    // The application is ending; a second script racing the first must not start meanwhile.
    m_relanceLancee = true;
}

void UpdateChecker::ouvrirTelechargement()
{
    if (!m_info) {
        return;
    }
    const QUrl url(m_info->url, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) {
        return;
    }
    if (m_plateforme.ouvrirURL) {
        m_plateforme.ouvrirURL(url);
    }
    setEtat(Etat::aucune());
}

void UpdateChecker::masquer()
{
    setEtat(Etat::aucune());
}

void UpdateChecker::appliquerProgression(std::optional<double> fraction)
{
    if (m_etat.cas == Etat::Cas::telechargement) {
        setEtat(Etat::telechargement(fraction));
    }
}

void UpdateChecker::setEtat(const Etat& etat)
{
    if (m_etat == etat) {
        return;
    }
    m_etat = etat;
    Q_EMIT etatChanged();
}

void UpdateChecker::setInfo(const VersionInfo& info)
{
    if (m_info == info) {
        return;
    }
    m_info = info;
    Q_EMIT infoChanged();
}

void UpdateChecker::setAppStagee(const QString& chemin)
{
    if (m_appStagee == chemin) {
        return;
    }
    m_appStagee = chemin;
    Q_EMIT appStageeChanged();
}
