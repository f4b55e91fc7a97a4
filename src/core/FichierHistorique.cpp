#include "core/FichierHistorique.h"

#include "core/DateISO.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// Four-digit years only: a date beyond them is held at the nearest one that reads back.
QString dateEcrite(const QDateTime& instant)
{
    static const QDateTime premiere(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
    static const QDateTime derniere(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC);
    return ecrireDateISO(std::clamp(instant, premiere, derniere));
}

QJsonObject versJSON(const Transfert& t)
{
    QJsonObject objet{
        {u"token"_s, t.token},
        {u"titre"_s, t.titre},
        {u"url"_s, t.url},
        {u"protege"_s, t.protege},
        {u"creeLe"_s, dateEcrite(t.creeLe)},
        {u"nbFichiers"_s, t.nbFichiers},
        {u"octets"_s, t.octets},
    };
    if (t.expireLe && t.expireLe->isValid()) {
        objet.insert(u"expireLe"_s, dateEcrite(*t.expireLe));
    }
    if (t.motDePasse) {
        objet.insert(u"motDePasse"_s, *t.motDePasse);
    }
    if (t.type) {
        objet.insert(u"type"_s, *t.type);
    }
    return objet;
}

// Whether a key that may be left out is absent or null.
bool absente(const QJsonValue& valeur)
{
    return valeur.isUndefined() || valeur.isNull();
}

std::optional<qint64> entier(const QJsonValue& valeur)
{
    // toInteger() falls back to its argument for fractions and out-of-range values: two sentinels tell them
    // apart.
    const qint64 bas = valeur.toInteger(std::numeric_limits<qint64>::min());
    if (valeur.isDouble() && bas == valeur.toInteger(std::numeric_limits<qint64>::max())) {
        return bas;
    }
    return std::nullopt;
}

std::optional<Transfert> depuisJSON(const QJsonValue& element)
{
    const QJsonObject o = element.toObject();
    const QJsonValue token = o.value(u"token"_s), titre = o.value(u"titre"_s), url = o.value(u"url"_s);
    const QJsonValue protege = o.value(u"protege"_s);
    const std::optional<QDateTime> creeLe = lireDateISO(o.value(u"creeLe"_s).toString());
    const std::optional<qint64> nbFichiers = entier(o.value(u"nbFichiers"_s));
    const std::optional<qint64> octets = entier(o.value(u"octets"_s));
    const QJsonValue expireLe = o.value(u"expireLe"_s), motDePasse = o.value(u"motDePasse"_s);
    const QJsonValue type = o.value(u"type"_s);
    const std::optional<QDateTime> expiration = lireDateISO(expireLe.toString());
    const bool valide = element.isObject() && token.isString() && titre.isString() && url.isString() &&
                        protege.isBool() && creeLe && nbFichiers && octets &&
                        (absente(expireLe) || (expireLe.isString() && expiration)) &&
                        (absente(motDePasse) || motDePasse.isString()) && (absente(type) || type.isString());
    if (!valide) {
        return std::nullopt;
    }
    Transfert t;
    t.token = token.toString();
    t.titre = titre.toString();
    t.url = url.toString();
    t.protege = protege.toBool();
    t.creeLe = *creeLe;
    t.expireLe = expiration;
    t.nbFichiers = *nbFichiers;
    t.octets = *octets;
    if (motDePasse.isString()) {
        t.motDePasse = motDePasse.toString();
    }
    if (type.isString()) {
        t.type = type.toString();
    }
    return t;
}

} // namespace

QByteArray encoderHistorique(const QList<Transfert>& transferts)
{
    QJsonArray tableau;
    for (const Transfert& t : transferts) {
        // An entry without a creation date could not be read back: it alone stays out of the file.
        if (t.creeLe.isValid()) {
            tableau.append(versJSON(t));
        }
    }
    return QJsonDocument(tableau).toJson(QJsonDocument::Compact);
}

std::optional<QList<Transfert>> decoderHistorique(const QByteArray& octets)
{
    QJsonParseError erreur;
    const QJsonDocument document = QJsonDocument::fromJson(octets, &erreur);
    if (erreur.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    QList<Transfert> transferts;
    for (const QJsonValue& element : document.array()) {
        std::optional<Transfert> t = depuisJSON(element);
        if (!t) {
            return std::nullopt;
        }
        transferts.append(std::move(*t));
    }
    return transferts;
}
