#include "api/EnregistrementsServeur.h"

#include "core/DateISO.h"

#include <QJsonObject>

#include <limits>

namespace {

// Reads the keys of one JSON object, remembering the first one that is missing or of the wrong type.
class Lecteur final {
public:
    explicit Lecteur(const QJsonObject& objet)
        : m_objet(objet)
    {
    }

    QString chaine(QLatin1StringView cle) { return chaineOptionnelle(cle, true).value_or(QString()); }
    std::optional<QString> chaineOptionnelle(QLatin1StringView cle, bool requise = false)
    {
        const QJsonValue valeur = m_objet.value(cle);
        if (valeur.isString()) {
            return valeur.toString();
        }
        signaler(cle, valeur, requise);
        return std::nullopt;
    }

    qint64 entier(QLatin1StringView cle) { return entierOptionnel(cle, true).value_or(0); }
    std::optional<qint64> entierOptionnel(QLatin1StringView cle, bool requis = false)
    {
        const QJsonValue valeur = m_objet.value(cle);
        // toInteger() falls back to its argument for non-integral numbers: two sentinels tell them apart.
        const qint64 bas = valeur.toInteger(std::numeric_limits<qint64>::min());
        if (valeur.isDouble() && bas == valeur.toInteger(std::numeric_limits<qint64>::max())) {
            return bas;
        }
        signaler(cle, valeur, requis);
        return std::nullopt;
    }

    bool booleen(QLatin1StringView cle)
    {
        const QJsonValue valeur = m_objet.value(cle);
        if (!valeur.isBool()) {
            signaler(cle, valeur, true);
        }
        return valeur.toBool();
    }

    std::optional<QString> cleFautive() const { return m_cleFautive; }

private:
    void signaler(QLatin1StringView cle, const QJsonValue& valeur, bool requise)
    {
        const bool absente = valeur.isUndefined() || valeur.isNull();
        if ((requise || !absente) && !m_cleFautive) {
            m_cleFautive = QString(cle);
        }
    }

    QJsonObject m_objet;
    std::optional<QString> m_cleFautive;
};

} // namespace

QDateTime TransfertAPI::dateCreation(const QDateTime& maintenant) const
{
    return lireDateISO(creeLe).value_or(maintenant);
}

Resultat<TransfertAPI> TransfertAPI::depuisJSON(const QJsonValue& json)
{
    if (!json.isObject()) {
        return std::unexpected(ErreurSysteme{
            QStringLiteral("Réponse du serveur illisible : un transfert n'est pas un objet JSON.")});
    }
    Lecteur lecteur(json.toObject());
    TransfertAPI t;
    t.token = lecteur.chaine(QLatin1StringView("token"));
    t.titre = lecteur.chaine(QLatin1StringView("titre"));
    t.url = lecteur.chaine(QLatin1StringView("url"));
    t.protege = lecteur.booleen(QLatin1StringView("protege"));
    t.creeLe = lecteur.chaine(QLatin1StringView("cree_le"));
    t.expireLe = lecteur.chaineOptionnelle(QLatin1StringView("expire_le"));
    t.nbTelechargements = lecteur.entier(QLatin1StringView("nb_telechargements"));
    t.dernierTelechargement = lecteur.chaineOptionnelle(QLatin1StringView("dernier_telechargement"));
    t.nbVues = lecteur.entierOptionnel(QLatin1StringView("nb_vues"));
    t.premiereVue = lecteur.chaineOptionnelle(QLatin1StringView("premiere_vue"));
    t.derniereVue = lecteur.chaineOptionnelle(QLatin1StringView("derniere_vue"));
    t.type = lecteur.chaineOptionnelle(QLatin1StringView("type"));
    t.nbFichiers = lecteur.entier(QLatin1StringView("nb_fichiers"));
    t.octets = lecteur.entier(QLatin1StringView("octets"));
    if (const auto cle = lecteur.cleFautive()) {
        return std::unexpected(ErreurSysteme{
            QStringLiteral("Réponse du serveur illisible : la valeur « %1 » est absente ou invalide.")
                .arg(*cle)});
    }
    return t;
}
