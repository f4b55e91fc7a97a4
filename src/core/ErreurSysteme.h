#pragma once

#include <QString>

#include <variant>

// A failure reported by the platform (file system, network, JSON decoding), shown with its own text.
struct ErreurSysteme final {
    QString texte;

    // The text of an errno value, in French for those a file operation commonly meets.
    static ErreurSysteme depuisCode(int code);

    QString description() const { return texte; }
    bool operator==(const ErreurSysteme&) const = default;
};

// The text shown to the user for any of a layer's error variants.
template <typename... Cas> QString description(const std::variant<Cas...>& erreur)
{
    return std::visit([](const auto& cas) { return cas.description(); }, erreur);
}
