#include "Request.h"

#include <algorithm>
#include <strings.h>

namespace serveur::http {

namespace {

bool memeNom(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

int chiffreHexa(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

bool Request::has_header(std::string_view nom) const
{
    return std::any_of(headers.begin(), headers.end(), [&](const auto& e) { return memeNom(e.first, nom); });
}

std::string Request::get_header_value(std::string_view nom) const
{
    const auto e = std::find_if(headers.begin(), headers.end(), [&](const auto& e) { return memeNom(e.first, nom); });
    return e == headers.end() ? std::string() : e->second;
}

bool Request::has_param(std::string_view nom) const
{
    return std::any_of(params.begin(), params.end(), [&](const auto& p) { return p.first == nom; });
}

std::string Request::get_param_value(std::string_view nom) const
{
    const auto p = std::find_if(params.begin(), params.end(), [&](const auto& p) { return p.first == nom; });
    return p == params.end() ? std::string() : p->second;
}

std::string decoderURL(std::string_view texte, bool plusEstEspace)
{
    std::string resultat;
    resultat.reserve(texte.size());
    for (std::size_t i = 0; i < texte.size(); ++i) {
        const char c = texte[i];
        if (c == '%' && i + 2 < texte.size() && chiffreHexa(texte[i + 1]) >= 0 && chiffreHexa(texte[i + 2]) >= 0) {
            resultat += static_cast<char>(chiffreHexa(texte[i + 1]) * 16 + chiffreHexa(texte[i + 2]));
            i += 2;
        } else {
            resultat += (plusEstEspace && c == '+') ? ' ' : c;
        }
    }
    return resultat;
}

std::vector<std::pair<std::string, std::string>> lireParametres(std::string_view texte)
{
    std::vector<std::pair<std::string, std::string>> parametres;
    while (!texte.empty()) {
        const std::size_t fin = std::min(texte.find('&'), texte.size());
        const std::string_view paire = texte.substr(0, fin);
        const std::size_t egal = std::min(paire.find('='), paire.size());
        if (!paire.empty()) {
            parametres.emplace_back(decoderURL(paire.substr(0, egal), true),
                                    decoderURL(paire.substr(std::min(egal + 1, paire.size())), true));
        }
        texte.remove_prefix(std::min(fin + 1, texte.size()));
    }
    return parametres;
}

} // namespace serveur::http
