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

ErreurSysteme erreurTransport(const QNetworkReply& reponse, bool depasse,
                              std::chrono::steady_clock::time_point debutAttente)
{
    if (depasse) {
        return ErreurSysteme{u"Réponse du serveur trop volumineuse (plus de 16 Mio) : abandonnée."_s};
    }
    // Our own timeout surfaces as a cancellation; nothing else cancels these requests.
    if (reponse.error() == QNetworkReply::OperationCanceledError) {
        const auto attente =
            std::chrono::round<std::chrono::seconds>(std::chrono::steady_clock::now() - debutAttente);
        return ErreurSysteme{u"Le serveur ne répond pas (aucune réponse en %1 s)."_s.arg(attente.count())};
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
    const std::shared_ptr<const bool> depasse = plafonner(reponse.get(), plafondReponse);
    // Queued: the stop may be requested from inside a slot that this answer's end would re-enter.
    const std::stop_callback abandon(preparee->arret, [cible = reponse.get()] {
        QMetaObject::invokeMethod(cible, &QNetworkReply::abort, Qt::QueuedConnection);
    });
    co_await reponse.get();
    const QByteArray corps = reponse->readAll();
    if (*depasse || echecTransport(*reponse)) {
        co_return std::unexpected(ErreurAPI(erreurTransport(*reponse, *depasse, preparee->debutAttente)));
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

// The transfer listed with this token and this title; a failed look-up gives its own error.
QCoro::Task<Resultat<std::optional<TransfertAPI>, ErreurAPI>> transfertListe(TransferAPI api, QString token,
                                                                             QString titre)
{
    QCoro::Task<Resultat<QList<TransfertAPI>, ErreurAPI>> demande = api.listerTransferts();
    const Resultat<QList<TransfertAPI>, ErreurAPI> liste = co_await demande;
    if (!liste) {
        co_return std::unexpected(liste.error());
    }
    for (const TransfertAPI& transfert : *liste) {
        if (transfert.token == token && transfert.titre == titre) {
            co_return transfert;
        }
    }
    co_return std::nullopt;
}

QCoro::Task<Resultat<TransfertAPI, ErreurAPI>> creerOuRetrouver(TransferAPI api, CorpsCreation corps)
{
    // The look-up that may follow is part of the same wait.
    api.debutAttente = api.debutAttente.value_or(std::chrono::steady_clock::now());
    QCoro::Task<Resultat<TransfertAPI, ErreurAPI>> creation =
        echanger(api.requete(u"/api/transferts"_s, "POST", corps.versJSON()), 201, lireTransfert);
    Resultat<TransfertAPI, ErreurAPI> cree = co_await creation;
    if (cree || !peutAvoirEteEnregistre(cree.error())) {
        co_return cree;
    }
    QCoro::Task<Resultat<std::optional<TransfertAPI>, ErreurAPI>> recherche =
        transfertListe(api, corps.token, corps.titre);
    const Resultat<std::optional<TransfertAPI>, ErreurAPI> liste = co_await recherche;
    if (liste && *liste) {
        co_return **liste;
    }
    // Both lost on the way (timeouts): the later loss tells the whole wait. Any answer says more.
    const auto perdue = [](const ErreurAPI& erreur) { return std::holds_alternative<ErreurSysteme>(erreur); };
    co_return perdue(cree.error()) && !liste && perdue(liste.error()) ? std::unexpected(liste.error()) : cree;
}

} // namespace

QString TransferAPIErreur::description() const
{
    switch (cas) {
    case Cas::http:
        return u"Serveur : erreur %1. %2"_s.arg(QString::number(status), message);
    case Cas::redirection:
        return u"Le serveur redirige vers %1 : corrige l'adresse du serveur dans Réglages."_s.arg(
            message.isEmpty() ? u"une autre adresse"_s : message);
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
    demande.setTransferTimeout(int(delai.count()));
    // A followed redirect would carry the key, and a creation's password, to wherever it points.
    demande.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    demande.setRawHeader("X-Api-Key", apiKey.toUtf8());
    demande.setRawHeader("Content-Type", "application/json");
    return RequeteAPI{demande, methode, corps, arret,
                      debutAttente.value_or(std::chrono::steady_clock::now())};
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
    if (statut.toInt() >= 300 && statut.toInt() < 400) {
        const QUrl cible = reponse.attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        return std::unexpected(TransferAPIErreur::redirection(
            statut.toInt(), cible.isEmpty()
                                ? QString()
                                : reponse.url().resolved(cible).toDisplayString(QUrl::RemoveUserInfo)));
    }
    return std::unexpected(TransferAPIErreur::http(statut.toInt(), messageDetail(corps)));
}
