#include "core/Preferences.h"

#include "core/FichiersPrives.h"
#include "core/FormatJSON.h"
#include "core/Partages.h"
#include "core/Rognage.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<QSettings> ouvrirSettings(const QString& fichier)
{
    if (!fichier.isEmpty()) {
        return std::make_unique<QSettings>(fichier, formatPreferencesJSON());
    }
#ifdef Q_OS_MACOS
    return std::make_unique<QSettings>();
#else
    return std::make_unique<QSettings>(formatPreferencesJSON(), QSettings::UserScope, QStringLiteral("Valto"),
                                       QStringLiteral("Valto Transfer"));
#endif
}

std::unique_ptr<QSettings> ouvrirStockage(const QString& fichier)
{
    std::unique_ptr<QSettings> stockage = ouvrirSettings(fichier);
    // Made before the first write, which would otherwise create it readable by everyone.
    creerDossierPrive(QFileInfo(stockage->fileName()).path());
    return stockage;
}

// Empty when the file is unreadable or not valid UTF-8.
QString lireTexteUTF8(const QString& chemin)
{
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringDecoder decodeur(QStringDecoder::Utf8);
    const QString texte = decodeur(fichier.readAll());
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
    const QString fichier = fichierCleAPI();
    if (!QFile::exists(fichier)) {
        return {};
    }
    const QString cle = lireTexteUTF8(fichier).trimmed();
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
