#include "Connexion.h"

#include "serveur/Dates.h"
#include "serveur/Journal.h"
#include "serveur/http/FluxContinu.h"
#include "serveur/http/Plage.h"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/http.hpp>

#include <array>
#include <ctime>
#include <strings.h>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace bhttp = boost::beast::http;

namespace serveur::http {

namespace {

constexpr std::size_t tailleMorceau = 256 * 1024;

// Runs `fonction` on `pool` and resumes the calling coroutine on its own executor afterwards.
template <class Fonction>
asio::awaitable<void> executer(asio::thread_pool& pool, Fonction fonction)
{
    co_await asio::async_initiate<const asio::use_awaitable_t<>&, void()>(
        [&pool, &fonction](auto suite) {
            asio::post(pool, [&fonction, suite = std::move(suite)]() mutable {
                fonction();
                const auto executeur = asio::get_associated_executor(suite);
                asio::dispatch(executeur, std::move(suite));
            });
        },
        asio::use_awaitable);
}

// RFC 9110's date, built by hand: strftime would follow the locale the process runs under.
std::string dateHTTP(std::int64_t secondes)
{
    static constexpr std::array<const char*, 7> jours = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> mois = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t t = secondes;
    std::tm d{};
    ::gmtime_r(&t, &d);
    char texte[40];
    std::snprintf(texte, sizeof texte, "%s, %02d %s %04d %02d:%02d:%02d GMT", jours[d.tm_wday], d.tm_mday,
                  mois[d.tm_mon], d.tm_year + 1900, d.tm_hour, d.tm_min, d.tm_sec);
    return texte;
}

// The status a failed read deserves; 0 when the client left or was too slow and gets nothing.
int statutDeRefus(const boost::system::error_code& erreur)
{
    if (erreur == bhttp::error::header_limit) {
        return 431;
    }
    if (erreur == bhttp::error::body_limit) {
        return 413;
    }
    if (erreur == bhttp::error::end_of_stream || erreur == bhttp::error::partial_message) {
        return 0;
    }
    return erreur.category() == bhttp::make_error_code(bhttp::error::bad_target).category() ? 400 : 0;
}

std::string_view sansEspaces(std::string_view texte)
{
    while (!texte.empty() && texte.front() == ' ') {
        texte.remove_prefix(1);
    }
    while (!texte.empty() && texte.back() == ' ') {
        texte.remove_suffix(1);
    }
    return texte;
}

std::string_view vue(boost::beast::string_view texte)
{
    return {texte.data(), texte.size()};
}

template <class Message>
void ajouterEntetes(Message& message, const std::vector<std::pair<std::string, std::string>>& entetes)
{
    for (const auto& [nom, valeur] : entetes) {
        message.insert(nom, valeur);
    }
}

// What a stream's connection waits on, shared with the handlers that wake it: they may run after the
// stream ended.
struct Attente {
    explicit Attente(const asio::any_io_executor& executeur)
        : reveil(executeur)
    {
    }

    asio::steady_timer reveil;
    std::array<char, 1> poubelle{};
    bool parti = false;
    // Cuts a write stuck on a client that stopped reading; empty once the stream has ended.
    std::function<void()> couper;
};

} // namespace

asio::awaitable<void> Connexion::servir(asio::ip::tcp::socket socket, const Services& services,
                                        [[maybe_unused]] std::shared_ptr<void> place)
{
    try {
        Connexion connexion(std::move(socket), services);
        co_await connexion.boucle();
    } catch (const boost::system::system_error&) {
        // The client left or stalled: nothing the server did wrong.
    } catch (const std::exception& e) {
        journal::erreur("connexion", e.what());
    }
}

Connexion::Connexion(asio::ip::tcp::socket socket, const Services& services)
    : m_flux(std::move(socket))
    , m_services(services)
    , m_limites(services.configuration.limites)
{
    boost::system::error_code erreur;
    m_pair = m_flux.socket().remote_endpoint(erreur).address().to_string();
}

asio::awaitable<void> Connexion::boucle()
{
    // The first request's header deadline runs from the connection: a socket that sends nothing
    // is as slow as one that trickles.
    m_flux.expires_after(m_limites.delaiEntetes);
    for (bool premiere = true;; premiere = false) {
        if (!premiere) {
            if (!co_await attendreRequete()) {
                co_return;
            }
            m_flux.expires_after(m_limites.delaiEntetes);
        }
        const auto debut = std::chrono::steady_clock::now();
        Lecture lecture = co_await lire();
        if (!lecture.requete) {
            co_return;
        }
        Request& requete = *lecture.requete;
        if (lecture.abandon != 0) {
            journaliser(requete, lecture.abandon, 0, debut);
            co_return;
        }
        Response reponse;
        if (lecture.refus != 0) {
            reponse.status = lecture.refus;
            m_services.routeur.remplirErreur(requete, reponse);
        } else {
            co_await executer(requete.path.starts_with("/api/") ? m_services.api : m_services.pages,
                              [&] { m_services.routeur.traiter(requete, reponse); });
        }
        const int statut = reponse.status;
        const std::int64_t octets = co_await repondre(requete, reponse, lecture.garderOuverte);
        journaliser(requete, statut, octets, debut);
        if (!lecture.garderOuverte || m_casse) {
            co_await fermer(lecture.refus != 0);
            co_return;
        }
    }
}

asio::awaitable<bool> Connexion::attendreRequete()
{
    if (m_tampon.size() > 0) {
        co_return true; // pipelined: already here
    }
    m_flux.expires_after(m_limites.inactivite);
    boost::system::error_code erreur;
    const std::size_t lus =
        co_await m_flux.async_read_some(m_tampon.prepare(4096), asio::redirect_error(asio::use_awaitable, erreur));
    m_tampon.commit(lus);
    co_return !erreur && lus > 0;
}

asio::awaitable<Connexion::Lecture> Connexion::lire()
{
    Lecture lecture;
    bhttp::request_parser<bhttp::empty_body> entete;
    entete.header_limit(static_cast<std::uint32_t>(m_limites.tailleMaxEntetes));
    // A declared length past the limit is refused before a byte of the body is read.
    entete.body_limit(m_services.configuration.tailleMaxCorps);
    boost::system::error_code erreur;
    co_await bhttp::async_read_header(m_flux, m_tampon, entete, asio::redirect_error(asio::use_awaitable, erreur));
    const auto& debut = entete.get();
    lecture.refus = erreur ? statutDeRefus(erreur) : 0;
    if (!erreur && static_cast<std::size_t>(std::distance(debut.begin(), debut.end())) > m_limites.nbMaxEntetes) {
        lecture.refus = 431;
    }
    // A body announced past its route's limit is refused before a byte of it is read, too.
    const bool avecCorps = !erreur && (entete.chunked() || entete.content_length().value_or(0) > 0);
    const std::size_t limite = avecCorps ? tailleMaxCorps(vue(debut.method_string()), vue(debut.target()))
                                         : m_services.configuration.tailleMaxCorps;
    if (avecCorps && lecture.refus == 0 && entete.content_length().value_or(0) > limite) {
        lecture.refus = 413;
    }
    if (erreur || lecture.refus != 0) {
        if (lecture.refus != 0) {
            lecture.requete = preparer(std::string(debut.method_string()), vue(debut.target()), debut, {});
        }
        co_return lecture;
    }
    // The limit holds however the body is framed: chunks are counted as they arrive.
    bhttp::request_parser<bhttp::string_body> complet(std::move(entete));
    complet.body_limit(limite);
    m_flux.expires_after(m_limites.delaiCorps);
    co_await bhttp::async_read(m_flux, m_tampon, complet, asio::redirect_error(asio::use_awaitable, erreur));
    auto message = complet.release();
    if (erreur) {
        lecture.refus = statutDeRefus(erreur);
        if (lecture.refus == 0) {
            lecture.abandon = erreur == beast::error::timeout ? 408 : 400;
        }
        lecture.requete = preparer(std::string(message.method_string()), vue(message.target()), message, {});
        co_return lecture;
    }
    m_version = message.version();
    lecture.garderOuverte = message.keep_alive();
    lecture.requete =
        preparer(std::string(message.method_string()), vue(message.target()), message, std::move(message.body()));
    co_return lecture;
}

std::size_t Connexion::tailleMaxCorps(std::string_view methode, std::string_view cible) const
{
    const std::string chemin = decoderURL(cible.substr(0, std::min(cible.find('?'), cible.size())), false);
    return m_services.routeur.tailleMaxCorps(methode, chemin)
        .value_or(m_services.configuration.tailleMaxCorps);
}

template <class Entetes>
Request Connexion::preparer(std::string methode, std::string_view cible, const Entetes& entetes,
                            std::string corps)
{
    Request requete;
    requete.method = std::move(methode);
    const std::size_t question = std::min(cible.find('?'), cible.size());
    requete.path = decoderURL(cible.substr(0, question), false);
    requete.params = lireParametres(cible.substr(std::min(question + 1, cible.size())));
    for (const auto& champ : entetes) {
        requete.headers.emplace_back(std::string(champ.name_string()), std::string(champ.value()));
    }
    if (requete.get_header_value("Content-Type").starts_with("application/x-www-form-urlencoded")) {
        auto champs = lireParametres(corps);
        requete.params.insert(requete.params.end(), champs.begin(), champs.end());
    }
    requete.body = std::move(corps);
    m_cible = std::string(cible.substr(0, question));
    identifierClient(requete);
    return requete;
}

void Connexion::identifierClient(Request& requete) const
{
    const Configuration& c = m_services.configuration;
    requete.remote_addr = m_pair;
    requete.base_url = m_services.urlParDefaut;
    if (c.proxyDeConfiance.empty() || m_pair != c.proxyDeConfiance) {
        return;
    }
    // The last hop is the address the proxy itself saw; earlier ones are the client's own claims.
    std::string_view relais;
    for (const auto& [nom, valeur] : requete.headers) {
        if (::strcasecmp(nom.c_str(), "X-Forwarded-For") == 0) {
            relais = valeur;
        }
    }
    if (const std::size_t virgule = relais.rfind(','); virgule != std::string_view::npos) {
        relais.remove_prefix(virgule + 1);
    }
    relais = sansEspaces(relais);
    if (!relais.empty()) {
        requete.remote_addr = std::string(relais);
    }
    const std::string hote = requete.has_header("X-Forwarded-Host") ? requete.get_header_value("X-Forwarded-Host")
                                                                    : requete.get_header_value("Host");
    const std::string schema = requete.get_header_value("X-Forwarded-Proto");
    if (c.urlPublique.empty() && !hote.empty() && (schema == "https" || schema == "http")) {
        requete.base_url = schema + "://" + hote;
    }
}

asio::awaitable<std::int64_t> Connexion::repondre(const Request& requete, Response& reponse, bool garderOuverte)
{
    if (reponse.source) {
        co_return co_await envoyerSource(requete, reponse, garderOuverte);
    }
    if (reponse.flux) {
        co_return co_await envoyerFlux(requete, reponse);
    }
    bhttp::response<bhttp::string_body> message{static_cast<bhttp::status>(reponse.status), m_version};
    ajouterEntetes(message, m_services.routeur.entetesCommuns());
    ajouterEntetes(message, reponse.headers);
    message.keep_alive(garderOuverte);
    const std::size_t taille = reponse.body.size();
    const bool tete = requete.method == "HEAD";
    if (!tete) {
        message.body() = std::move(reponse.body);
    }
    // A 204 has no body, and says nothing of its length.
    if (reponse.status != 204) {
        message.content_length(taille);
    }
    m_flux.expires_after(m_limites.delaiEcriture);
    boost::system::error_code erreur;
    co_await bhttp::async_write(m_flux, message, asio::redirect_error(asio::use_awaitable, erreur));
    m_casse = m_casse || erreur;
    co_return erreur || tete ? 0 : static_cast<std::int64_t>(taille);
}

asio::awaitable<std::int64_t> Connexion::envoyerSource(const Request& requete, Response& reponse,
                                                       bool garderOuverte)
{
    Source& source = *reponse.source;
    const std::int64_t taille = source.taille();
    const std::string etiquette = source.etiquette();
    const std::string modification = dateHTTP(source.modification());
    // If-Range: the piece asked for belongs to the version the client holds, or it gets the whole body.
    const std::string siPlage = requete.get_header_value("If-Range");
    const bool plagesPermises = siPlage.empty() || siPlage == etiquette || siPlage == modification;
    Plage plage;
    if (taille > 0 && plagesPermises && requete.has_header("Range")) {
        plage = Plage::lire(requete.get_header_value("Range"), taille);
    }
    if (plage.sorte == Plage::Sorte::insatisfiable) {
        Response refus;
        refus.status = 416;
        refus.set_header("Content-Range", "bytes */" + std::to_string(taille));
        m_services.routeur.remplirErreur(requete, refus);
        co_return co_await repondre(requete, refus, garderOuverte);
    }
    const bool partiel = plage.sorte == Plage::Sorte::partiel;
    const std::int64_t debut = partiel ? plage.debut : 0;
    const std::int64_t fin = partiel ? plage.fin : taille - 1;
    bhttp::response<bhttp::empty_body> entete{partiel ? bhttp::status::partial_content
                                                      : static_cast<bhttp::status>(reponse.status),
                                              m_version};
    ajouterEntetes(entete, m_services.routeur.entetesCommuns());
    ajouterEntetes(entete, reponse.headers);
    entete.set(bhttp::field::accept_ranges, "bytes");
    entete.set(bhttp::field::etag, etiquette);
    entete.set(bhttp::field::last_modified, modification);
    if (partiel) {
        entete.set(bhttp::field::content_range, "bytes " + std::to_string(debut) + "-" + std::to_string(fin) + "/" +
                                                    std::to_string(taille));
    }
    entete.keep_alive(garderOuverte);
    entete.content_length(static_cast<std::uint64_t>(fin + 1 - debut));
    m_flux.expires_after(m_limites.delaiEcriture);
    boost::system::error_code erreur;
    bhttp::response_serializer<bhttp::empty_body> serialiseur{entete};
    co_await bhttp::async_write_header(m_flux, serialiseur, asio::redirect_error(asio::use_awaitable, erreur));
    if (erreur || requete.method == "HEAD") {
        m_casse = m_casse || erreur;
        co_return 0;
    }
    std::vector<char> tampon(static_cast<std::size_t>(std::min<std::int64_t>(fin + 1 - debut, tailleMorceau)));
    std::int64_t position = debut;
    while (position <= fin) {
        const auto voulus = static_cast<std::size_t>(std::min<std::int64_t>(fin + 1 - position, tampon.size()));
        std::size_t lus = 0;
        co_await executer(m_services.lecture, [&] {
            try {
                lus = source.lire(position, tampon.data(), voulus);
            } catch (const std::exception& e) {
                journal::erreur("lecture " + requete.path, e.what());
            }
        });
        if (lus == 0) {
            // The file shrank or vanished while it was sent: the announced length cannot be kept.
            journal::erreur("lecture " + requete.path, "fin de fichier inattendue");
            m_casse = true;
            co_return position - debut;
        }
        m_flux.expires_after(m_limites.delaiEcriture);
        co_await asio::async_write(m_flux, asio::buffer(tampon.data(), lus),
                                   asio::redirect_error(asio::use_awaitable, erreur));
        if (erreur) {
            m_casse = true;
            co_return position - debut;
        }
        position += static_cast<std::int64_t>(lus);
    }
    if (fin == taille - 1 && plage.completeUnTelechargement && reponse.on_delivered) {
        asio::post(m_services.pages, [livre = std::move(reponse.on_delivered), chemin = requete.path] {
            try {
                livre();
            } catch (const std::exception& e) {
                journal::erreur("compteur " + chemin, e.what());
            }
        });
    }
    co_return fin + 1 - debut;
}

asio::awaitable<std::int64_t> Connexion::envoyerFlux(const Request& requete, Response& reponse)
{
    // Its end is the connection's: nothing can follow it.
    m_casse = true;
    bhttp::response<bhttp::empty_body> entete{static_cast<bhttp::status>(reponse.status), m_version};
    ajouterEntetes(entete, m_services.routeur.entetesCommuns());
    ajouterEntetes(entete, reponse.headers);
    entete.keep_alive(false);
    m_flux.expires_after(m_limites.delaiEcriture);
    boost::system::error_code erreur;
    bhttp::response_serializer<bhttp::empty_body> serialiseur{entete};
    co_await bhttp::async_write_header(m_flux, serialiseur,
                                       asio::redirect_error(asio::use_awaitable, erreur));
    if (erreur || requete.method == "HEAD") {
        co_return 0;
    }
    FluxContinu& continu = *reponse.flux;
    const auto attente = std::make_shared<Attente>(m_flux.get_executor());
    // A stream that overflowed ends now, not when its stuck write times out.
    attente->couper = [this, &continu] {
        if (continu.termine()) {
            m_flux.cancel();
        }
    };
    continu.surDepot([attente] {
        asio::post(attente->reveil.get_executor(), [attente] {
            attente->reveil.cancel();
            if (attente->couper) {
                attente->couper();
            }
        });
    });
    // A listener sends nothing after its request: a byte or the end of its side means it has gone. The
    // socket is read directly, out of reach of the deadlines that only the writes keep.
    m_flux.socket().async_read_some(asio::buffer(attente->poubelle), [attente](auto, std::size_t) {
        attente->parti = true;
        attente->reveil.cancel();
    });
    std::int64_t octets = 0;
    while (!attente->parti && !continu.termine()) {
        std::string texte = continu.prendre();
        if (texte.empty()) {
            attente->reveil.expires_after(m_limites.battementFlux);
            co_await attente->reveil.async_wait(asio::redirect_error(asio::use_awaitable, erreur));
            if (erreur) {
                continue; // woken by a deposit or a departure
            }
            texte = continu.battement();
        }
        m_flux.expires_after(m_limites.delaiEcriture);
        co_await asio::async_write(m_flux, asio::buffer(texte),
                                   asio::redirect_error(asio::use_awaitable, erreur));
        if (erreur) {
            break;
        }
        octets += static_cast<std::int64_t>(texte.size());
    }
    attente->couper = {};
    co_return octets;
}

asio::awaitable<void> Connexion::fermer(bool resteAEcouter)
{
    boost::system::error_code erreur;
    m_flux.socket().shutdown(asio::ip::tcp::socket::shutdown_send, erreur);
    // A refused client may still be sending: reading a little longer keeps our answer from being
    // wiped by the reset a close with unread data provokes.
    if (resteAEcouter) {
        m_flux.expires_after(std::chrono::seconds(2));
        std::array<char, 16 * 1024> poubelle;
        while (!erreur) {
            co_await m_flux.async_read_some(asio::buffer(poubelle), asio::redirect_error(asio::use_awaitable, erreur));
        }
    }
    m_flux.close();
}

void Connexion::journaliser(const Request& requete, int statut, std::int64_t octets,
                            std::chrono::steady_clock::time_point debut) const
{
    const auto duree =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - debut).count();
    const auto secondes = std::chrono::duration_cast<std::chrono::seconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    // The path as sent, never decoded (no line break can get in), without its query string, and cut
    // short: a line per request must stay a line, not 16 KiB.
    constexpr std::size_t longueurJournal = 512;
    const std::string chemin =
        m_cible.size() > longueurJournal ? m_cible.substr(0, longueurJournal) + "…" : m_cible;
    journal::ecrire("acces " + dateISO(secondes) + " " + requete.remote_addr + " " +
                    (requete.method.empty() ? "-" : requete.method) + " " + (chemin.empty() ? "-" : chemin) + " " +
                    std::to_string(statut) + " " + std::to_string(octets) + " " + std::to_string(duree) + "ms");
}

} // namespace serveur::http
