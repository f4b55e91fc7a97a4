#include "flow/TransferFlow.h"

#include "api/DepuisAPI.h"
#include "api/TransferAPI.h"
#include "core/Affichage.h"
#include "core/HistoryStore.h"
#include "core/Partages.h"
#include "core/Preferences.h"
#include "core/Rognage.h"
#include "flow/CopieEnArrierePlan.h"
#include "nas/Placement.h"

#include <QClipboard>
#include <QCoro/QCoroFuture>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

// The last path component without its extension; a name whose only dot leads (".env") stays whole.
QString nomSansExtension(const QString& chemin)
{
    const QString nom = QFileInfo(chemin).fileName();
    const qsizetype point = nom.lastIndexOf(u'.');
    return point > 0 ? nom.left(point) : nom;
}

QString extensionMinuscule(const QString& chemin)
{
    const QString nom = QFileInfo(chemin).fileName();
    const qsizetype point = nom.lastIndexOf(u'.');
    return point > 0 ? nom.mid(point + 1).toLower() : QString();
}

} // namespace

TransferFlow::TransferFlow(Mode mode, Preferences& preferences, Plateforme plateforme, QObject* parent)
    : QObject(parent)
    , m_mode(mode)
    , m_preferences(preferences)
    , m_plateforme(std::move(plateforme))
    , m_expirationJours(preferences.defaultExpiryDays())
{
}

TransferFlow::~TransferFlow()
{
    // Workers stop with their flow; a registration under way is left to finish, so that its transfer,
    // registered or not, ends up in the history or with its folder removed.
    if (m_etape.cas != Etape::Cas::enregistrement) {
        m_arret.request_stop();
    }
}

double TransferFlow::progression() const
{
    if (m_octetsACopier < 1) {
        return 0.0;
    }
    return static_cast<double>(m_octetsCopies) / static_cast<double>(m_octetsACopier);
}

void TransferFlow::ajouter(const QStringList& chemins)
{
    QStringList acceptes;
    for (const QString& chemin : chemins) {
        if (estAcceptable(chemin)) {
            acceptes.append(chemin);
        }
    }
    if (acceptes.isEmpty()) {
        return;
    }
    QStringList nouvelles = m_urls;
    for (const QString& chemin : std::as_const(acceptes)) {
        if (!m_urls.contains(chemin)) {
            nouvelles.append(chemin);
        }
    }
    if (m_mode == Mode::compare && nouvelles.size() > 2) {
        nouvelles.resize(2);
    }
    setUrls(nouvelles);
    compterTaille();
    if (m_titre.isEmpty()) {
        setTitre(titreParDefaut(m_urls));
    }
    setEtape(Etape::options());
}

void TransferFlow::retirer(const QString& chemin)
{
    QStringList restantes = m_urls;
    restantes.removeAll(chemin);
    setUrls(restantes);
    compterTaille();
    if (m_urls.isEmpty()) {
        reinitialiser();
    }
}

void TransferFlow::reinitialiser()
{
    // A run still waiting for the server belongs to the abandoned choice: it ends when it resumes.
    ++m_numeroEnvoi;
    ++m_numeroComptage;
    m_arret.request_stop();
    m_arret = std::stop_source();
    m_envoiEnCours = false;
    setUrls({});
    setOctetsTotal(0);
    setOctetsCopies(0);
    setTitre({});
    setMotDePasse({});
    setExpirationJours(m_preferences.defaultExpiryDays());
    setEtape(Etape::attente());
}

bool TransferFlow::transfertEnCours() const
{
    return m_etape.cas == Etape::Cas::copie || m_etape.cas == Etape::Cas::enregistrement;
}

QCoro::Task<> TransferFlow::compterTaille()
{
    const QPointer<TransferFlow> vivant(this);
    const quint64 numero = ++m_numeroComptage;
    QFuture<qint64> comptage = compterEnArrierePlan(m_urls, m_arret.get_token());
    const qint64 octets = co_await comptage;
    if (vivant && vivant->m_numeroComptage == numero) {
        vivant->setOctetsTotal(octets);
    }
}

void TransferFlow::finirTravail()
{
    if (--m_travaux == 0) {
        Q_EMIT travailTermine();
    }
}

QString TransferFlow::titreParDefaut(const QStringList& chemins) const
{
    if (m_mode == Mode::compare && chemins.size() == 2) {
        const QString avant = nomSansExtension(chemins.at(0));
        const QString apres = nomSansExtension(chemins.at(1));
        return avant == apres ? avant : avant + u" vs "_s + apres;
    }
    if (chemins.size() == 1) {
        return nomSansExtension(chemins.first());
    }
    return u"Transfert du "_s + formaterDate(m_plateforme.maintenant());
}

bool TransferFlow::estAcceptable(const QString& chemin) const
{
    const QFileInfo info(chemin);
    if (!info.exists()) {
        return false;
    }
    if (m_mode == Mode::transfert) {
        return true;
    }
    return !info.isDir() && extensionsCompare.contains(extensionMinuscule(chemin));
}

void TransferFlow::setTitre(const QString& titre)
{
    if (titre != m_titre) {
        m_titre = titre;
        Q_EMIT titreChanged();
    }
}

void TransferFlow::setExpirationJours(qint64 jours)
{
    if (jours != m_expirationJours) {
        m_expirationJours = jours;
        Q_EMIT expirationJoursChanged();
    }
}

void TransferFlow::setMotDePasse(const QString& motDePasse)
{
    if (motDePasse != m_motDePasse) {
        m_motDePasse = motDePasse;
        Q_EMIT motDePasseChanged();
    }
}

void TransferFlow::setEtape(const Etape& etape)
{
    if (!(etape == m_etape)) {
        m_etape = etape;
        Q_EMIT etapeChanged();
    }
}

void TransferFlow::setUrls(const QStringList& urls)
{
    if (urls != m_urls) {
        m_urls = urls;
        Q_EMIT urlsChanged();
    }
}

void TransferFlow::setOctetsTotal(qint64 octets)
{
    if (octets != m_octetsTotal) {
        m_octetsTotal = octets;
        Q_EMIT octetsTotalChanged();
    }
}

void TransferFlow::setOctetsCopies(qint64 octets)
{
    if (octets != m_octetsCopies) {
        m_octetsCopies = octets;
        Q_EMIT octetsCopiesChanged();
        Q_EMIT progressionChanged();
    }
}

void TransferFlow::setOctetsACopier(qint64 octets)
{
    if (octets != m_octetsACopier) {
        m_octetsACopier = octets;
        Q_EMIT octetsACopierChanged();
        Q_EMIT progressionChanged();
    }
}

void TransferFlow::envoyer(HistoryStore& historique)
{
    if (!pretAEnvoyer() || m_envoiEnCours) {
        return;
    }
    m_envoiEnCours = true;
    ++m_numeroEnvoi;
    setOctetsCopies(0);
    setOctetsACopier(0);
    executerEnvoi(m_numeroEnvoi, m_plateforme.tirerToken(), m_preferences.nasMountPath(),
                  QPointer<HistoryStore>(&historique), m_arret.get_token());
}

// The run owns what it created on the NAS: it removes the per-transfer folder on every way out that
// leaves it unregistered, even when the flow is gone or has moved on.
QCoro::Task<> TransferFlow::executerEnvoi(quint64 numero, QString token, QString dossierCopies,
                                          QPointer<HistoryStore> historique, std::stop_token arret)
{
    const QPointer<TransferFlow> vivant(this);
    const auto enCours = [vivant, numero] { return vivant && vivant->m_numeroEnvoi == numero; };
    ++m_travaux;
    const auto fin = qScopeGuard([vivant] {
        if (vivant) {
            vivant->finirTravail();
        }
    });
    const auto debutAttente = std::chrono::steady_clock::now();
    TransferAPI api = TransferAPI::depuisPreferences(m_preferences);
    api.arret = arret;
    api.debutAttente = debutAttente;
    QCoro::Task<Resultat<QStringList, ErreurAPI>> demandePartages = api.listerPartages();
    const Resultat<QStringList, ErreurAPI> partages = co_await demandePartages;
    // The options screen stays usable while the shares are asked for: a cancelled or emptied send stops.
    if (!enCours()) {
        co_return;
    }
    if (!pretAEnvoyer()) {
        m_envoiEnCours = false;
        co_return;
    }
    if (partages) {
        memoriserPartages(m_preferences, *partages);
    }
    const Placement placement = classer(m_urls, partagesEnVigueur(m_preferences),
                                        racineMontage(m_preferences, m_plateforme.racineVolumes));
    QFuture<qint64> comptage = compterEnArrierePlan(placement.horsNAS, arret);
    const qint64 octetsACopier = co_await comptage;
    if (!enCours()) {
        co_return;
    }
    setOctetsACopier(octetsACopier);

    const bool copieLancee = !placement.horsNAS.isEmpty();
    const QString dossierTransfert = NASCopier::dossierTransfert(dossierCopies, token);
    QStringList nomsCopies;
    if (copieLancee) {
        setEtape(Etape::copie());
        const std::function<void(qint64)> surProgression = [vivant, enCours](qint64 octets) {
            if (enCours()) {
                vivant->setOctetsCopies(octets);
            }
        };
        QFuture<Resultat<QStringList, ErreurCopie>> copieEnCours =
            copierEnArrierePlan(placement.horsNAS, token, dossierCopies, this, surProgression, arret);
        const Resultat<QStringList, ErreurCopie> copie = co_await copieEnCours;
        // A collision or a missing copies folder means this run created nothing to remove.
        const bool dossierCree = copie || !std::holds_alternative<NASCopierErreur>(copie.error());
        if (!copie || !enCours()) {
            if (dossierCree) {
                QFuture<void> suppression = supprimerEnArrierePlan(dossierTransfert);
                co_await suppression;
            }
            if (!copie && enCours()) {
                echouer(description(copie.error()));
            }
            co_return;
        }
        nomsCopies = *copie;
    }

    setEtape(Etape::enregistrement());
    // Kept apart from the flow: a registered transfer reaches the history even if the window closed
    // meanwhile.
    const QString motDePasse = m_motDePasse;
    const QString typeMode = valeurBrute(m_mode);
    const QDateTime maintenant = m_plateforme.maintenant();
    TransferAPI apiEnregistrement = TransferAPI::depuisPreferences(m_preferences);
    apiEnregistrement.arret = arret;
    // The copy screen showed its progress; from here on the user waits for the server again.
    apiEnregistrement.debutAttente = copieLancee ? std::chrono::steady_clock::now() : debutAttente;
    QCoro::Task<Resultat<TransfertAPI, ErreurAPI>> creation =
        apiEnregistrement.creerTransfert(corpsCreation(token, placement, nomsCopies));
    const Resultat<TransfertAPI, ErreurAPI> reponse = co_await creation;
    if (!reponse) {
        if (copieLancee) {
            QFuture<void> suppression = supprimerEnArrierePlan(dossierTransfert);
            co_await suppression;
        }
        if (enCours()) {
            echouer(description(reponse.error()));
        }
        co_return;
    }
    const Transfert transfert = transfertDepuisAPI(*reponse, motDePasse, typeMode, maintenant);
    if (historique) {
        historique->ajouter(transfert);
    }
    if (!enCours()) {
        co_return;
    }
    QClipboard* pressePapiers = QGuiApplication::clipboard();
    pressePapiers->clear();
    pressePapiers->setText(transfert.url);
    m_envoiEnCours = false;
    setEtape(Etape::termine(transfert));
}

CorpsCreation TransferFlow::corpsCreation(const QString& token, const Placement& placement,
                                          const QStringList& nomsCopies)
{
    CorpsCreation corps;
    corps.token = token;
    // Spaces (any Unicode space separator) and tabs go; line breaks stay.
    corps.titre =
        rogner(m_titre, [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; });
    corps.expediteur = m_preferences.expediteur();
    corps.expireJours = m_expirationJours;
    if (!m_motDePasse.isEmpty()) {
        corps.motDePasse = m_motDePasse;
    }
    corps.fichiers = placement.references;
    corps.type = valeurBrute(m_mode);
    if (m_mode == Mode::compare) {
        corps.ordre = ordreComparaison(placement, nomsCopies);
    }
    return corps;
}

// The two files by name; two namesakes (two versions of one file) by what tells them apart on the server:
// the share-relative reference of a file on the NAS, the name a copied file got in the transfer's folder.
QStringList TransferFlow::ordreComparaison(const Placement& placement, const QStringList& nomsCopies) const
{
    const QStringList noms{QFileInfo(m_urls.at(0)).fileName(), QFileInfo(m_urls.at(1)).fileName()};
    QStringList designations;
    qsizetype reference = 0;
    for (const QString& url : m_urls) {
        const qsizetype copie = placement.horsNAS.indexOf(url);
        designations.append(copie >= 0 ? nomsCopies.value(copie) : placement.references.value(reference++));
    }
    // A copy renamed by the destination's own rules (a case-insensitive volume) no longer goes by its name.
    const bool nomsSuffisent =
        noms.at(0) != noms.at(1) &&
        std::ranges::all_of(nomsCopies, [&](const QString& nom) { return noms.contains(nom); });
    return nomsSuffisent ? noms : designations;
}

bool TransferFlow::pretAEnvoyer() const
{
    return m_etape == Etape::options() && !m_urls.isEmpty() &&
           (m_mode != Mode::compare || m_urls.size() == 2);
}

void TransferFlow::echouer(const QString& message)
{
    m_envoiEnCours = false;
    setEtape(Etape::erreur(message));
}
