#include "ArchiveZip.h"

#include <archive.h>
#include <archive_entry.h>

#include <array>
#include <fstream>
#include <memory>
#include <sys/stat.h>

namespace serveur {

namespace {

constexpr std::size_t tailleTampon = 256 * 1024;

la_ssize_t versFlux(archive*, void* contexte, const void* donnees, std::size_t taille)
{
    const auto& ecrire = *static_cast<const EcritureFlux*>(contexte);
    return ecrire(static_cast<const char*>(donnees), taille) ? static_cast<la_ssize_t>(taille) : -1;
}

bool ecrireContenu(archive* zip, const Element& element, std::array<char, tailleTampon>& tampon)
{
    std::ifstream fichier(element.chemin, std::ios::binary);
    if (!fichier) {
        return false;
    }
    std::int64_t restant = element.taille;
    while (restant > 0) {
        const auto aLire = static_cast<std::streamsize>(std::min<std::int64_t>(restant, tampon.size()));
        fichier.read(tampon.data(), aLire);
        const std::streamsize lus = fichier.gcount();
        if (lus <= 0 || archive_write_data(zip, tampon.data(), static_cast<std::size_t>(lus)) != lus) {
            return false;
        }
        restant -= lus;
    }
    return true;
}

bool ecrireElement(archive* zip, const Element& element, std::array<char, tailleTampon>& tampon)
{
    const std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entree(archive_entry_new(),
                                                                               archive_entry_free);
    archive_entry_set_pathname_utf8(entree.get(),
                                    element.dossier ? (element.nom + "/").c_str() : element.nom.c_str());
    archive_entry_set_filetype(entree.get(), element.dossier ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(entree.get(), element.dossier ? 0755 : 0644);
    archive_entry_set_size(entree.get(), element.dossier ? 0 : element.taille);
    struct stat etat {};
    if (::stat(element.chemin.c_str(), &etat) == 0) {
        archive_entry_set_mtime(entree.get(), etat.st_mtime, 0);
    }
    if (archive_write_header(zip, entree.get()) != ARCHIVE_OK) {
        return false;
    }
    return element.dossier || ecrireContenu(zip, element, tampon);
}

} // namespace

bool ecrireZip(const std::vector<Element>& elements, const EcritureFlux& ecrire)
{
    const std::unique_ptr<archive, decltype(&archive_write_free)> zip(archive_write_new(),
                                                                      archive_write_free);
    archive_write_set_format_zip(zip.get());
    archive_write_set_options(zip.get(), "zip:compression=store,zip:hdrcharset=UTF-8");
    // No padding and no blocking: each piece goes out as soon as it is made.
    archive_write_set_bytes_per_block(zip.get(), 0);
    if (archive_write_open2(zip.get(), const_cast<EcritureFlux*>(&ecrire), nullptr, versFlux, nullptr,
                            nullptr) != ARCHIVE_OK) {
        return false;
    }
    auto tampon = std::make_unique<std::array<char, tailleTampon>>();
    for (const Element& element : elements) {
        if (!ecrireElement(zip.get(), element, *tampon)) {
            return false;
        }
    }
    return archive_write_close(zip.get()) == ARCHIVE_OK;
}

} // namespace serveur
