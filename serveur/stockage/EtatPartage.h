#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>

namespace serveur {

// How long a visitor waits after each wrong password.
struct RegleFrein {
    std::int64_t attenteDeBase = 1;
    std::int64_t attenteMax = 300;
};

// What the shared state answers about a page load.
struct VueMarquee {
    bool comptee = false;
    // When the view that covers this visitor was counted, if known.
    std::optional<std::int64_t> depuis;
};

// The state that decides what a client sees, kept where every instance behind the proxy reads the same.
// Keys are digests (hex): no address nor agent is stored as such.
class EtatPartage {
public:
    virtual ~EtatPartage() = default;

    // Records a view of `visiteur` at `maintenant`, counted when it had none in the `fenetre` seconds before.
    virtual VueMarquee marquerVue(const std::string& visiteur, std::int64_t maintenant,
                                  std::int64_t fenetre) = 0;
    // Seconds `cle` must still wait; 0 when it may try, the attempt being counted in the same statement.
    virtual std::int64_t reserverTentative(const std::string& cle, std::int64_t maintenant,
                                           RegleFrein regle) = 0;
    virtual void oublierTentatives(const std::string& cle) = 0;
    // The signing secret every instance uses: the one already stored, or `propose` when there was none.
    virtual std::expected<std::string, std::string> secretPartage(const std::string& propose) = 0;
};

} // namespace serveur
