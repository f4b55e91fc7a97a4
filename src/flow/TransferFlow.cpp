#include "TransferFlow.h"

#include "core/Affichage.h"
#include "core/Preferences.h"
#include "flow/TailleTotale.h"

#include <QDateTime>
#include <QFileInfo>

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

TransferFlow::TransferFlow(Mode mode, Preferences& preferences, const Plateforme& plateforme, QObject* parent)
    : QObject(parent)
    , m_mode(mode)
    , m_preferences(preferences)
    , m_plateforme(plateforme)
    , m_expirationJours(preferences.defaultExpiryDays())
{
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
    setOctetsTotal(tailleTotale(m_urls));
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
    setOctetsTotal(tailleTotale(m_urls));
    if (m_urls.isEmpty()) {
        reinitialiser();
    }
}

void TransferFlow::reinitialiser()
{
    setUrls({});
    setOctetsTotal(0);
    setOctetsCopies(0);
    setTitre({});
    setMotDePasse({});
    setExpirationJours(m_preferences.defaultExpiryDays());
    setEtape(Etape::attente());
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
    return u"Transfert du "_s + formaterDate(QDateTime::currentDateTime());
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
