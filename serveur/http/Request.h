#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace serveur::http {

// One request as the routes see it, read whole and within the limits before it gets here.
struct Request {
    std::string method;
    // Percent-decoded, without the query string.
    std::string path;
    std::vector<std::pair<std::string, std::string>> headers;
    std::vector<std::pair<std::string, std::string>> params;
    std::string body;
    // The client: the peer, or the last hop a trusted proxy forwarded.
    std::string remote_addr;
    // Scheme and host the client used, for links: "https://transferts.example.ch".
    std::string base_url;
    // The route pattern's groups, [0] being the whole path.
    std::vector<std::string> matches;

    bool has_header(std::string_view nom) const;
    std::string get_header_value(std::string_view nom) const;
    bool has_param(std::string_view nom) const;
    std::string get_param_value(std::string_view nom) const;
};

// Percent-decoding; `plusEstEspace` for query strings and forms.
std::string decoderURL(std::string_view texte, bool plusEstEspace);
// "a=1&b=x+y" into its pairs, decoded.
std::vector<std::pair<std::string, std::string>> lireParametres(std::string_view texte);

} // namespace serveur::http
