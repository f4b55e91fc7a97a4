#include "core/Preferences.h"

#include "core/FichiersPrives.h"
#include "core/FormatJSON.h"
#include "core/Partages.h"
#include "core/Rognage.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace {

// Far above what the settings window can write.
constexpr qint64 tailleMaxPreferences = 1024 * 1024;
// A key is a line; a larger file is not a key file.
constexpr qint64 tailleMaxCle = 4096;

// QSettings reads its file by name, whole, as it opens: anything else than a plausible file is set aside
// first, and the store starts empty. So is a file it cannot parse, which its next write would replace.
std::unique_ptr<QSettings> ouvrirFichierJSON(const QString& fichier)
{
    ecarterSiInutilisable(fichier, tailleMaxPreferences);
    auto stockage = std::make_unique<QSettings>(fichier, formatPreferencesJSON());
    if (stockage->status() == QSettings::FormatError && mettreDeCote(fichier)) {
        stockage = std::make_unique<QSettings>(fichier, formatPreferencesJSON());
    }
    return stockage;
}

std::unique_ptr<QSettings> ouvrirSettings(const QString& fichier)
{
    if (!fichier.isEmpty()) {
        return ouvrirFichierJSON(fichier);
    }
#ifdef Q_OS_MACOS
    return std::make_unique<QSettings>();
#else
    return ouvrirFichierJSON(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                             u"/Valto/Valto Transfer.json"_s);
#endif
}

std::unique_ptr<QSettings> ouvrirStockage(const QString& fichier)
{
    std::unique_ptr<QSettings> stockage = ouvrirSettings(fichier);
    // Made before the first write, which would otherwise create it readable by everyone.
    creerDossierPrive(QFileInfo(stockage->fileName()).path());
    return stockage;
}

// Empty when the file is missing, unreadable, not a regular file of at most `tailleMax` bytes, or not
// valid UTF-8.
QString lireTexteUTF8(const QString& chemin, qint64 tailleMax)
{
    const std::optional<QByteArray> octets = lireFichierOrdinaire(chemin, tailleMax);
    if (!octets) {
        return {};
    }
    QStringDecoder decodeur(QStringDecoder::Utf8);
    const QString texte = decodeur(*octets);
    return decodeur.hasError() ? QString() : texte;
}

} // namespace

Preferences::Preferences(const Plateforme& plateforme)
    : m_stockage(ouvrirStockage(plateforme.fichierPreferences))
    , m_racineParDefaut(plateforme.racineVolumes)
    , m_origineServeur(plateforme.origineServeur)
    , m_nomCompletUtilisateur(plateforme.nomCompletUtilisateur)
{
}

QString Preferences::apiBaseURL() const
{
    const QVariant stockee = valeur(cleApiBaseURL);
    const bool estChaine = stockee.typeId() == QMetaType::QString;
    const auto barreOuEspace = [](QChar c) { return c == u'/' || c == u' '; };
    return rogner(estChaine ? stockee.toString() : m_origineServeur, barreOuEspace);
}

QString Preferences::apiKey()
{
    const QString stockee = chaine(cleApiKey);
    if (!stockee.isEmpty()) {
        return stockee;
    }
    const QString cle = lireTexteUTF8(fichierCleAPI(), tailleMaxCle).trimmed();
    if (!cle.isEmpty()) {
        ecrire(cleApiKey, cle);
    }
    return cle;
}

QString Preferences::fichierCleAPI() const
{
    return racineMontage(*this, m_racineParDefaut) + u"/DATA/Valto Transferts/.transfer-api-key"_s;
}

QString Preferences::nasMountPath() const
{
    const QVariant stockee = valeur(cleNasMountPath);
    if (stockee.typeId() != QMetaType::QString) {
        return dossierCopiesParDefaut;
    }
    const QString chemin = stockee.toString();
    const bool ancien =
        chemin == u"/Volumes/DATA/VALTO TRANSFERTS" || chemin == u"/Volumes/VALTO SERVER/VALTO TRANSFERTS";
    return ancien ? dossierCopiesParDefaut : chemin;
}

QString Preferences::expediteur() const
{
    const QString stocke = chaine(cleExpediteur);
    return stocke.isEmpty() ? m_nomCompletUtilisateur : stocke;
}

qint64 Preferences::defaultExpiryDays() const
{
    return contient(cleDefaultExpiryDays) ? valeur(cleDefaultExpiryDays).toLongLong() : expirationParDefaut;
}

bool Preferences::prevenirReceptions() const
{
    const QVariant stockee = valeur(clePrevenirReceptions);
    return stockee.typeId() != QMetaType::Bool || stockee.toBool();
}

QVariant Preferences::valeur(const QString& cle) const
{
    return m_stockage->value(cle);
}

bool Preferences::contient(const QString& cle) const
{
    return m_stockage->contains(cle);
}

void Preferences::ecrire(const QString& cle, const QVariant& valeur)
{
    m_stockage->setValue(cle, valeur);
    m_stockage->sync();
}

void Preferences::effacer(const QString& cle)
{
    m_stockage->remove(cle);
    m_stockage->sync();
}

QString Preferences::chaine(const QString& cle) const
{
    const QVariant stockee = valeur(cle);
    return stockee.typeId() == QMetaType::QString ? stockee.toString() : QString();
}
