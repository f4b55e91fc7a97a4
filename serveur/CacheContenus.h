#pragma once

#include "serveur/ArbreNAS.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace serveur {

// Listings of large transfers, kept a few seconds: a page, its ZIP and their reloads walk the tree once.
// A listing is dropped when its time is up or when its folders' modification times (`signature`) change.
class CacheContenus final {
public:
    explicit CacheContenus(std::chrono::steady_clock::duration duree);

    std::optional<std::vector<Element>> trouver(const std::string& cle, std::int64_t signature);
    void garder(const std::string& cle, std::int64_t signature, const std::vector<Element>& elements);

private:
    struct Entree {
        std::vector<Element> elements;
        std::int64_t signature = 0;
        std::chrono::steady_clock::time_point fin;
    };

    std::chrono::steady_clock::duration m_duree;
    std::mutex m_verrou;
    std::map<std::string, Entree> m_entrees;
};

} // namespace serveur
