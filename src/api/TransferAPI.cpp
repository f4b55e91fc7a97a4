#include "api/TransferAPI.h"

#include "api/ReseauPartage.h"
#include "core/Preferences.h"

#include <QCoro/QCoroNetworkReply>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopedPointer>
#include <QUrl>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int delaiTransfertMs = 30'000;
// Far above a list of 100 transfers; past it the answer is abandoned while it streams in.
constexpr qint64 plafondReponse = 16 * 1024 * 1024;
// A "detail" is shown in a window: a server that sends a book gets its first lines shown.
constexpr qsizetype longueurDetailMax = 500;

// One value as compact JSON, escaped by Qt's own writer.
QByteArray texteJSON(const QJsonValue& valeur)
{
    const QByteArray tableau = QJsonDocument(QJsonArray{valeur}).toJson(QJsonDocument::Compact);
    return tableau.mid(1, tableau.size() - 2);
}

// A JSON object whose members keep the order they are written in (QJsonObject sorts them).
class ObjetOrdonne final {
public:
    void membre(const QString& cle, const QJsonValue& valeur)
    {
        if (!m_membres.isEmpty()) {
            m_membres += ',';
        }
        m_membres += texteJSON(cle) + ':' + texteJSON(valeur);
    }
    QByteArray texte() const { return '{' + m_membres + '}'; }

private:
    QByteArray m_membres;
};

// Qt sends header values as they are: a line break in the key would start a header of its own.
bool valeurDEnteteSure(const QString& valeur)
{
    return std::none_of(valeur.begin(), valeur.end(),
                        [](QChar c) { return (c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f; });
}

ErreurSysteme reponseIllisible(const QString& cle)
{
    return ErreurSysteme{
        u"Réponse du serveur illisible : la valeur « %1 » est absente ou invalide."_s.arg(cle)};
}

Resultat<QJsonDocument> lireDocument(const QByteArray& corps)
{
    QJsonParseError erreur;
    const QJsonDocument document = QJsonDocument::fromJson(corps, &erreur);
    if (erreur.error != QJsonParseError::NoError) {
        return std::unexpected(ErreurSysteme{
            u"Réponse du serveur illisible : JSON invalide à l'octet %1."_s.arg(erreur.offset)});
    }
    return document;
}

// The array under `cle` of an answer that must be an object.
Resultat<QJsonArray> lireTableau(const QByteArray& corps, const QString& cle)
{
    const auto document = lireDocument(corps);
    if (!document) {
        return std::unexpected(document.error());
    }
    const QJsonValue valeur = document->object().value(cle);
    if (!valeur.isArray()) {
        return std::unexpected(reponseIllisible(cle));
    }
    return valeur.toArray();
}

Resultat<TransfertAPI> lireTransfert(const QByteArray& corps)
{
    const auto document = lireDocument(corps);
    if (!document) {
        return std::unexpected(document.error());
    }
    return TransfertAPI::depuisJSON(document->isObject() ? QJsonValue(document->object()) : QJsonValue());
}

Resultat<QList<TransfertAPI>> lireTransferts(const QByteArray& corps)
{
    const auto tableau = lireTableau(corps, u"transferts"_s);
    if (!tableau) {
        return std::unexpected(tableau.error());
    }
    QList<TransfertAPI> transferts;
    transferts.reserve(tableau->size());
    for (const QJsonValue& element : *tableau) {
        auto transfert = TransfertAPI::depuisJSON(element);
        if (!transfert) {
            return std::unexpected(transfert.error());
        }
        transferts.append(std::move(*transfert));
    }
    return transferts;
}

Resultat<QStringList> lirePartages(const QByteArray& corps)
{
    const auto tableau = lireTableau(corps, u"partages"_s);
    if (!tableau) {
        return std::unexpected(tableau.error());
    }
    QStringList partages;
    for (const QJsonValue& element : *tableau) {
        if (!element.isString()) {
            return std::unexpected(reponseIllisible(u"partages"_s));
        }
        partages.append(element.toString());
    }
    return partages;
}

Resultat<void> ignorerCorps(const QByteArray&)
{
    return {};
}

QString abrege(const QString& texte)
{
    if (texte.size() <= longueurDetailMax) {
        return texte;
    }
    // Never split a character that takes two UTF-16 units.
    const qsizetype coupure =
        texte.at(longueurDetailMax - 1).isHighSurrogate() ? longueurDetailMax - 1 : longueurDetailMax;
    return texte.left(coupure) + u'…';
}

// "detail" when it is a string; any other shape of error answer gives the empty message.
QString messageDetail(const QByteArray& corps)
{
    const QJsonValue detail = QJsonDocument::fromJson(corps).object().value(u"detail"_s);
    return detail.isString() ? abrege(detail.toString()) : QString();
}

// Qt also flags every 4xx and 5xx status as an error; those are answers, judged by verifierReponse.
bool echecTransport(const QNetworkReply& reponse)
{
    const QNetworkReply::NetworkError code = reponse.error();
    if (code == QNetworkReply::NoError) {
        return false;
    }
    if (!reponse.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        return true;
    }
    const bool erreurDeContenu = code >= QNetworkReply::ContentAccessDenied &&
                                 code <= QNetworkReply::UnknownContentError &&
                                 code != QNetworkReply::ContentReSendError;
    const bool erreurDuServeur =
        code >= QNetworkReply::InternalServerError && code <= QNetworkReply::UnknownServerError;
    return !(erreurDeContenu || erreurDuServeur || code == QNetworkReply::ProtocolInvalidOperationError);
}

// Aborts the answer as soon as it announces or brings more than the ceiling; the flag tells why it ended.
std::shared_ptr<const bool> plafonner(QNetworkReply* reponse)
{
    auto depasse = std::make_shared<bool>(false);
    QObject::connect(reponse, &QNetworkReply::downloadProgress, reponse,
                     [reponse, depasse](qint64 recus, qint64 annonces) {
                         if (recus > plafondReponse || annonces > plafondReponse) {
                             *depasse = true;
                             reponse->abort();
                         }
                     });
    return depasse;
}

ErreurSysteme erreurTransport(const QNetworkReply& reponse, bool depasse)
{
    if (depasse) {
        return ErreurSysteme{u"Réponse du serveur trop volumineuse (plus de 16 Mio) : abandonnée."_s};
    }
    // Our own timeout surfaces as a cancellation; nothing else cancels these requests.
    if (reponse.error() == QNetworkReply::OperationCanceledError) {
        return ErreurSysteme{
            u"Le serveur ne répond pas (délai de %1 s dépassé)."_s.arg(delaiTransfertMs / 1000)};
    }
    return ErreurSysteme{reponse.errorString()};
}

QNetworkReply* envoyer(const RequeteAPI& envoi)
{
    QNetworkAccessManager& reseau = reseauPartage();
    if (envoi.methode == "GET") {
        return reseau.get(envoi.requete);
    }
    if (envoi.methode == "DELETE") {
        return reseau.deleteResource(envoi.requete);
    }
    return reseau.sendCustomRequest(envoi.requete, envoi.methode, envoi.corps);
}

template <typename T> Resultat<T, ErreurAPI> versResultat(const Resultat<T>& resultat)
{
    if (!resultat) {
        return std::unexpected(ErreurAPI(resultat.error()));
    }
    if constexpr (std::is_void_v<T>) {
        return {};
    } else {
        return *resultat;
    }
}

// Sends, checks the status, then decodes the answer with `lire`. Takes everything by value, so the
// client that prepared the request may be gone by the time the answer arrives.
template <typename T>
QCoro::Task<Resultat<T, ErreurAPI>> echanger(Resultat<RequeteAPI, TransferAPIErreur> preparee,
                                             int statutAttendu, Resultat<T> (*lire)(const QByteArray&))
{
    if (!preparee) {
        co_return std::unexpected(ErreurAPI(preparee.error()));
    }
    const QScopedPointer<QNetworkReply, QScopedPointerDeleteLater> reponse(envoyer(*preparee));
    const std::shared_ptr<const bool> depasse = plafonner(reponse.get());
    co_await reponse.get();
    const QByteArray corps = reponse->readAll();
    if (*depasse || echecTransport(*reponse)) {
        co_return std::unexpected(ErreurAPI(erreurTransport(*reponse, *depasse)));
    }
    if (const auto verification = TransferAPI::verifierReponse(corps, *reponse, statutAttendu);
        !verification) {
        co_return std::unexpected(ErreurAPI(verification.error()));
    }
    co_return versResultat(lire(corps));
}

// Qt re-sends a creation whose connection dropped before the answer, so a conflict or a lost answer may
// hide a first attempt that the server did register.
bool peutAvoirEteEnregistre(const ErreurAPI& erreur)
{
    const auto* refus = std::get_if<TransferAPIErreur>(&erreur);
    return refus == nullptr || (refus->cas == TransferAPIErreur::Cas::http && refus->status == 409);
}

QCoro::Task<std::optional<TransfertAPI>> transfertListe(TransferAPI api, QString token, QString titre)
{
    QCoro::Task<Resultat<QList<TransfertAPI>, ErreurAPI>> demande = api.listerTransferts();
    const Resultat<QList<TransfertAPI>, ErreurAPI> liste = co_await demande;
    for (const TransfertAPI& transfert : liste.value_or(QList<TransfertAPI>())) {
        if (transfert.token == token && transfert.titre == titre) {
            co_return transfert;
        }
    }
    co_return std::nullopt;
}

QCoro::Task<Resultat<TransfertAPI, ErreurAPI>> creerOuRetrouver(TransferAPI api, CorpsCreation corps)
{
    QCoro::Task<Resultat<TransfertAPI, ErreurAPI>> creation =
        echanger(api.requete(u"/api/transferts"_s, "POST", corps.versJSON()), 201, lireTransfert);
    Resultat<TransfertAPI, ErreurAPI> cree = co_await creation;
    if (!cree && peutAvoirEteEnregistre(cree.error())) {
        QCoro::Task<std::optional<TransfertAPI>> recherche = transfertListe(api, corps.token, corps.titre);
        if (std::optional<TransfertAPI> liste = co_await recherche) {
            cree = std::move(*liste);
        }
    }
    co_return cree;
}

} // namespace

QString TransferAPIErreur::description() const
{
    switch (cas) {
    case Cas::http:
        return u"Serveur : erreur %1. %2"_s.arg(QString::number(status), message);
    case Cas::configurationManquante:
#ifdef Q_OS_MACOS
        return u"Clé API manquante — renseigne-la dans Réglages (⌘,)."_s;
#else
        // The settings shortcut as this platform writes it.
        return u"Clé API manquante — renseigne-la dans Réglages (Ctrl+,)."_s;
#endif
    }
    return {};
}

QByteArray CorpsCreation::versJSON() const
{
    ObjetOrdonne objet;
    objet.membre(u"token"_s, token);
    objet.membre(u"titre"_s, titre);
    objet.membre(u"expediteur"_s, expediteur);
    objet.membre(u"expire_jours"_s, expireJours);
    if (motDePasse) {
        objet.membre(u"mot_de_passe"_s, *motDePasse);
    }
    objet.membre(u"fichiers"_s, QJsonArray::fromStringList(fichiers));
    objet.membre(u"type"_s, type);
    if (ordre) {
        objet.membre(u"ordre"_s, QJsonArray::fromStringList(*ordre));
    }
    return objet.texte();
}

QByteArray CorpsModification::versJSON() const
{
    ObjetOrdonne objet;
    if (titre) {
        objet.membre(u"titre"_s, *titre);
    }
    if (expireJours) {
        objet.membre(u"expire_jours"_s, *expireJours);
    }
    return objet.texte();
}

TransferAPI TransferAPI::depuisPreferences(Preferences& preferences)
{
    return TransferAPI{preferences.apiBaseURL(), preferences.apiKey()};
}

QCoro::Task<Resultat<TransfertAPI, ErreurAPI>> TransferAPI::creerTransfert(CorpsCreation corps) const
{
    return creerOuRetrouver(*this, std::move(corps));
}

QCoro::Task<Resultat<QList<TransfertAPI>, ErreurAPI>> TransferAPI::listerTransferts() const
{
    return echanger(requete(u"/api/transferts"_s, "GET"), 200, lireTransferts);
}

QCoro::Task<Resultat<QStringList, ErreurAPI>> TransferAPI::listerPartages() const
{
    return echanger(requete(u"/api/partages"_s, "GET"), 200, lirePartages);
}

QCoro::Task<Resultat<TransfertAPI, ErreurAPI>> TransferAPI::modifierTransfert(QString token,
                                                                              CorpsModification corps) const
{
    return echanger(requete(u"/api/transferts/"_s + token, "PATCH", corps.versJSON()), 200, lireTransfert);
}

QCoro::Task<Resultat<void, ErreurAPI>> TransferAPI::supprimerTransfert(QString token) const
{
    return echanger(requete(u"/api/transferts/"_s + token, "DELETE"), 200, ignorerCorps);
}

Resultat<RequeteAPI, TransferAPIErreur> TransferAPI::requete(const QString& chemin, const QByteArray& methode,
                                                             const QByteArray& corps) const
{
    if (apiKey.isEmpty() || !valeurDEnteteSure(apiKey)) {
        return std::unexpected(TransferAPIErreur::configurationManquante());
    }
    const QUrl url(baseURL + chemin, QUrl::StrictMode);
    if (!url.isValid()) {
        return std::unexpected(TransferAPIErreur::configurationManquante());
    }
    QNetworkRequest demande(url);
    demande.setTransferTimeout(delaiTransfertMs);
    // A followed redirect would carry the key, and a creation's password, to wherever it points.
    demande.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    demande.setRawHeader("X-Api-Key", apiKey.toUtf8());
    demande.setRawHeader("Content-Type", "application/json");
    return RequeteAPI{demande, methode, corps};
}

Resultat<void, TransferAPIErreur>
TransferAPI::verifierReponse(const QByteArray& corps, const QNetworkReply& reponse, int statutAttendu)
{
    const QVariant statut = reponse.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statut.isValid()) {
        return std::unexpected(TransferAPIErreur::http(0, {}));
    }
    if (statut.toInt() == statutAttendu) {
        return {};
    }
    return std::unexpected(TransferAPIErreur::http(statut.toInt(), messageDetail(corps)));
}
