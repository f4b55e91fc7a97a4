#pragma once

#include "serveur/http/Source.h"

#include <filesystem>
#include <memory>

namespace serveur::http {

// A regular file opened once: later renames or links swapped in its place do not change what is sent.
class SourceFichier final : public Source {
public:
    // nullptr when the path is not a regular file that can be read.
    static std::shared_ptr<SourceFichier> ouvrir(const std::filesystem::path& chemin);
    // Takes over a descriptor opened elsewhere (closed here, even on failure); nullptr when it is not
    // a regular file.
    static std::shared_ptr<SourceFichier> adopter(int descripteur);
    ~SourceFichier() override;

    std::int64_t taille() const override { return m_taille; }
    std::size_t lire(std::int64_t position, char* tampon, std::size_t taille) override;
    std::string etiquette() const override { return m_etiquette; }
    std::int64_t modification() const override { return m_modification; }

private:
    SourceFichier(int descripteur, std::int64_t taille, std::int64_t modification, std::string etiquette);

    int m_descripteur;
    std::int64_t m_taille;
    std::int64_t m_modification;
    std::string m_etiquette;
};

} // namespace serveur::http
