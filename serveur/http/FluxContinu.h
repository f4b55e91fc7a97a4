#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace serveur::http {

// A body without an end, written to its client as pieces arrive from any thread. Bounded: a client
// that stops reading is cut off instead of piling up the server's memory.
class FluxContinu final {
public:
    // `battement`: what the connection sends when nothing else came for a while, so proxies and the
    // client can tell a quiet stream from a dead one.
    FluxContinu(std::size_t capacite, std::string battement);

    // False, and the stream ends, when `texte` would not fit beside what the client has not taken yet.
    bool deposer(std::string_view texte);
    // Everything deposited since the last call.
    std::string prendre();
    bool termine() const;
    const std::string& battement() const { return m_battement; }
    // Runs after each deposit, on the depositing thread; set once by the connection that writes the stream.
    void surDepot(std::function<void()> reveil);

private:
    const std::size_t m_capacite;
    const std::string m_battement;
    mutable std::mutex m_verrou;
    std::string m_enAttente;
    bool m_termine = false;
    std::function<void()> m_reveil;
};

} // namespace serveur::http
