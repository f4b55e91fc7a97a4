#include "update/ListePropriete.h"

#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

std::optional<QVariant> lireValeur(QXmlStreamReader& xml);

std::optional<QVariant> lireDictionnaire(QXmlStreamReader& xml)
{
    QVariantMap dictionnaire;
    while (xml.readNextStartElement()) {
        if (xml.name() != "key"_L1) {
            return std::nullopt;
        }
        const QString cle = xml.readElementText();
        if (!xml.readNextStartElement()) {
            return std::nullopt;
        }
        std::optional<QVariant> valeur = lireValeur(xml);
        if (!valeur) {
            return std::nullopt;
        }
        dictionnaire.insert(cle, *valeur);
    }
    return xml.hasError() ? std::nullopt : std::optional<QVariant>(dictionnaire);
}

std::optional<QVariant> lireTableau(QXmlStreamReader& xml)
{
    QVariantList tableau;
    while (xml.readNextStartElement()) {
        std::optional<QVariant> valeur = lireValeur(xml);
        if (!valeur) {
            return std::nullopt;
        }
        tableau.append(*valeur);
    }
    return xml.hasError() ? std::nullopt : std::optional<QVariant>(tableau);
}

std::optional<QVariant> lireBooleen(QXmlStreamReader& xml, bool valeur)
{
    xml.skipCurrentElement();
    return xml.hasError() ? std::nullopt : std::optional<QVariant>(valeur);
}

// Reads the element the reader stands on, up to and including its end tag.
std::optional<QVariant> lireValeur(QXmlStreamReader& xml)
{
    const QStringView nom = xml.name();
    if (nom == "dict"_L1) {
        return lireDictionnaire(xml);
    }
    if (nom == "array"_L1) {
        return lireTableau(xml);
    }
    if (nom == "true"_L1 || nom == "false"_L1) {
        return lireBooleen(xml, nom == "true"_L1);
    }
    const QString nomElement = nom.toString();
    const QString texte = xml.readElementText();
    if (xml.hasError()) {
        return std::nullopt;
    }
    if (nomElement == "string"_L1 || nomElement == "date"_L1) {
        return texte;
    }
    bool ok = false;
    if (nomElement == "integer"_L1) {
        const qint64 entier = texte.trimmed().toLongLong(&ok);
        return ok ? std::optional<QVariant>(entier) : std::nullopt;
    }
    if (nomElement == "real"_L1) {
        const double reel = texte.trimmed().toDouble(&ok);
        return ok ? std::optional<QVariant>(reel) : std::nullopt;
    }
    if (nomElement == "data"_L1) {
        return QByteArray::fromBase64(texte.toLatin1());
    }
    return std::nullopt;
}

} // namespace

std::optional<QVariant> lireListePropriete(const QByteArray& texte)
{
    QXmlStreamReader xml(texte);
    if (!xml.readNextStartElement() || xml.name() != "plist"_L1 || !xml.readNextStartElement()) {
        return std::nullopt;
    }
    std::optional<QVariant> racine = lireValeur(xml);
    // Nothing but the closing </plist> may follow the root value.
    if (!racine || xml.readNextStartElement() || xml.hasError()) {
        return std::nullopt;
    }
    return racine;
}

std::optional<QString> premierPointMontage(const QByteArray& sortieAttach)
{
    const std::optional<QVariant> racine = lireListePropriete(sortieAttach);
    if (!racine || racine->typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    const QVariant entites = racine->toMap().value(u"system-entities"_s);
    if (entites.typeId() != QMetaType::QVariantList) {
        return std::nullopt;
    }
    const QVariantList liste = entites.toList();
    const bool queDesDictionnaires = std::all_of(liste.begin(), liste.end(), [](const QVariant& entite) {
        return entite.typeId() == QMetaType::QVariantMap;
    });
    if (!queDesDictionnaires) {
        return std::nullopt;
    }
    for (const QVariant& entite : liste) {
        const QVariant point = entite.toMap().value(u"mount-point"_s);
        if (point.typeId() == QMetaType::QString) {
            return point.toString();
        }
    }
    return std::nullopt;
}
