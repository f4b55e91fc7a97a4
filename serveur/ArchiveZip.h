#pragma once

#include "serveur/ArbreNAS.h"
#include "serveur/CacheCRC.h"
#include "serveur/http/Source.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace serveur {

// "Tout télécharger": a ZIP laid out in advance (entries stored, sizes known, CRC-32s in data
// descriptors) so its exact length is announced and any byte of it can be produced on demand, which
// lets a cut download resume. ZIP64 records appear only where a size or offset needs them.
class ArchiveZip final : public http::Source {
public:
    // Files are read beneath `racine`, the NAS root the elements were listed from.
    ArchiveZip(const std::vector<Element>& elements, CacheCRC& crcs, std::filesystem::path racine);
    ~ArchiveZip() override;

    std::int64_t taille() const override { return m_taille; }
    std::size_t lire(std::int64_t position, char* tampon, std::size_t taille) override;
    std::string etiquette() const override { return m_etiquette; }
    std::int64_t modification() const override { return m_modification; }

private:
    struct Entree {
        std::string nom;
        std::string chemin;
        bool dossier = false;
        std::int64_t taille = 0;
        std::int64_t modificationNs = 0;
        std::uint16_t heureDOS = 0;
        std::uint16_t dateDOS = 0;
        // Offsets of its local header and of its central directory record.
        std::int64_t debut = 0;
        std::int64_t debutCentral = 0;

        bool grande() const { return taille >= 0xFFFFFFFFLL; }
        std::int64_t tailleEntete() const { return 30 + static_cast<std::int64_t>(nom.size()) + (grande() ? 20 : 0); }
        std::int64_t tailleDescripteur() const { return dossier ? 0 : (grande() ? 24 : 16); }
        std::int64_t tailleCentrale() const;
    };

    void ajouter(const Element& element);
    void terminer();
    std::string enteteLocale(const Entree& e) const;
    std::string descripteur(const Entree& e);
    std::string centrale(const Entree& e);
    std::uint32_t crc(const Entree& e);
    // One piece of the archive starting at `position`, at most `taille` bytes; 0 on failure.
    std::size_t lireMorceau(std::int64_t position, char* tampon, std::size_t taille);
    int ouvrir(const Entree& e) const;
    std::size_t lireDonnees(std::size_t index, std::int64_t decalage, char* tampon, std::size_t taille);

    CacheCRC& m_crcs;
    std::filesystem::path m_racine;
    std::vector<Entree> m_entrees;
    std::int64_t m_debutRepertoire = 0;
    std::int64_t m_taille = 0;
    std::string m_fin;
    std::string m_etiquette;
    std::int64_t m_modification = 0;
    // The file being read, and the CRC of its bytes read so far from its start.
    std::size_t m_ouverte = SIZE_MAX;
    int m_descripteur = -1;
    std::int64_t m_crcJusquA = -1;
    std::uint32_t m_crcPartiel = 0;
};

} // namespace serveur
