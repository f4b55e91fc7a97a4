#include "ArchiveZip.h"

#include "serveur/OuvertureSousRacine.h"

#include <zlib.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace serveur {

namespace {

constexpr std::uint32_t plein32 = 0xFFFFFFFFu;
constexpr std::uint16_t versionZip64 = 45;
constexpr std::uint16_t versionSimple = 20;
// Made by Unix, so the permissions in the external attributes are read.
constexpr std::uint16_t faitPar = (3 << 8) | versionZip64;
constexpr std::uint16_t drapeauUTF8 = 0x0800;
constexpr std::uint16_t drapeauDescripteur = 0x0008;
constexpr std::size_t tailleTamponCRC = 256 * 1024;

void le16(std::string& s, std::uint64_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void le32(std::string& s, std::uint64_t v)
{
    le16(s, v & 0xFFFF);
    le16(s, (v >> 16) & 0xFFFF);
}

void le64(std::string& s, std::uint64_t v)
{
    le32(s, v & plein32);
    le32(s, v >> 32);
}

std::uint64_t auPlus32(std::int64_t v)
{
    return std::min<std::uint64_t>(static_cast<std::uint64_t>(v), plein32);
}

std::uint16_t drapeaux(bool dossier)
{
    return dossier ? drapeauUTF8 : drapeauUTF8 | drapeauDescripteur;
}

// FNV-1a: the validator only needs to change when the listing does.
void melanger(std::uint64_t& h, std::string_view octets)
{
    for (const char c : octets) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
}

// CRC-32 of `n` zero bytes, by doubling: a hole of gigabytes costs a few dozen steps.
uLong crcDeZeros(std::int64_t n)
{
    const Bytef zero = 0;
    uLong resultat = ::crc32(0, nullptr, 0);
    uLong bloc = ::crc32(0, &zero, 1);
    for (z_off_t longueurBloc = 1; n > 0; n >>= 1, longueurBloc *= 2) {
        if (n & 1) {
            resultat = ::crc32_combine(resultat, bloc, longueurBloc);
        }
        bloc = ::crc32_combine(bloc, bloc, longueurBloc);
    }
    return resultat;
}

// Holes of a sparse file are counted without being read.
std::optional<std::uint32_t> crcFichier(int descripteur, std::int64_t taille)
{
    if (descripteur < 0) {
        return std::nullopt;
    }
    std::vector<char> tampon(tailleTamponCRC);
    uLong valeur = ::crc32(0, nullptr, 0);
    std::int64_t position = 0;
    while (position < taille) {
        const off_t donnees = ::lseek(descripteur, position, SEEK_DATA);
        const std::int64_t debutDonnees = donnees < 0 ? taille : std::min<std::int64_t>(donnees, taille);
        valeur = ::crc32_combine(valeur, crcDeZeros(debutDonnees - position), debutDonnees - position);
        position = debutDonnees;
        const off_t trou = ::lseek(descripteur, position, SEEK_HOLE);
        const std::int64_t finDonnees = trou < 0 ? taille : std::min<std::int64_t>(trou, taille);
        while (position < finDonnees) {
            const ssize_t lus = ::pread(descripteur, tampon.data(),
                                        static_cast<std::size_t>(std::min<std::int64_t>(finDonnees - position, tampon.size())),
                                        position);
            if (lus <= 0) {
                ::close(descripteur);
                return std::nullopt;
            }
            valeur = ::crc32(valeur, reinterpret_cast<const Bytef*>(tampon.data()), static_cast<uInt>(lus));
            position += lus;
        }
    }
    ::close(descripteur);
    return static_cast<std::uint32_t>(valeur);
}

} // namespace

std::int64_t ArchiveZip::Entree::tailleCentrale() const
{
    const int champs = (grande() ? 2 : 0) + (debut >= plein32 ? 1 : 0);
    return 46 + static_cast<std::int64_t>(nom.size()) + (champs > 0 ? 4 + 8 * champs : 0);
}

ArchiveZip::ArchiveZip(const std::vector<Element>& elements, CacheCRC& crcs, std::filesystem::path racine)
    : m_crcs(crcs)
    , m_racine(std::move(racine))
{
    m_entrees.reserve(elements.size());
    for (const Element& element : elements) {
        ajouter(element);
    }
    terminer();
}

ArchiveZip::~ArchiveZip()
{
    if (m_descripteur >= 0) {
        ::close(m_descripteur);
    }
}

void ArchiveZip::ajouter(const Element& element)
{
    Entree e;
    e.nom = element.dossier ? element.nom + "/" : element.nom;
    e.chemin = element.chemin.string();
    e.dossier = element.dossier;
    e.taille = element.dossier ? 0 : element.taille;
    struct stat etat {};
    std::time_t secondes = 0;
    if (::stat(e.chemin.c_str(), &etat) == 0) {
        e.taille = element.dossier ? 0 : etat.st_size;
        secondes = etat.st_mtim.tv_sec;
        e.modificationNs = secondes * 1'000'000'000LL + etat.st_mtim.tv_nsec;
    }
    std::tm local{};
    ::localtime_r(&secondes, &local);
    if (local.tm_year < 80) {
        local = std::tm{};
        local.tm_mday = 1;
        local.tm_year = 80; // DOS dates start in 1980
    }
    e.heureDOS = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    e.dateDOS = static_cast<std::uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    e.debut = m_taille;
    m_taille += e.tailleEntete() + e.taille + e.tailleDescripteur();
    m_modification = std::max<std::int64_t>(m_modification, secondes);
    m_entrees.push_back(std::move(e));
}

void ArchiveZip::terminer()
{
    std::uint64_t empreinte = 0xcbf29ce484222325ULL;
    m_debutRepertoire = m_taille;
    for (Entree& e : m_entrees) {
        e.debutCentral = m_taille;
        m_taille += e.tailleCentrale();
        melanger(empreinte, e.nom);
        melanger(empreinte, std::string_view(reinterpret_cast<const char*>(&e.taille), sizeof e.taille));
        melanger(empreinte, std::string_view(reinterpret_cast<const char*>(&e.modificationNs), sizeof e.modificationNs));
        melanger(empreinte, std::string_view("\0", 1));
    }
    const std::int64_t tailleRepertoire = m_taille - m_debutRepertoire;
    const std::uint64_t nombre = m_entrees.size();
    if (nombre >= 0xFFFF || m_debutRepertoire >= plein32 || tailleRepertoire >= plein32) {
        const std::int64_t debutZip64 = m_taille;
        le32(m_fin, 0x06064b50);
        le64(m_fin, 44);
        le16(m_fin, faitPar);
        le16(m_fin, versionZip64);
        le32(m_fin, 0);
        le32(m_fin, 0);
        le64(m_fin, nombre);
        le64(m_fin, nombre);
        le64(m_fin, static_cast<std::uint64_t>(tailleRepertoire));
        le64(m_fin, static_cast<std::uint64_t>(m_debutRepertoire));
        le32(m_fin, 0x07064b50);
        le32(m_fin, 0);
        le64(m_fin, static_cast<std::uint64_t>(debutZip64));
        le32(m_fin, 1);
    }
    le32(m_fin, 0x06054b50);
    le16(m_fin, 0);
    le16(m_fin, 0);
    le16(m_fin, std::min<std::uint64_t>(nombre, 0xFFFF));
    le16(m_fin, std::min<std::uint64_t>(nombre, 0xFFFF));
    le32(m_fin, auPlus32(tailleRepertoire));
    le32(m_fin, auPlus32(m_debutRepertoire));
    le16(m_fin, 0);
    m_taille += static_cast<std::int64_t>(m_fin.size());
    melanger(empreinte, m_fin);
    char texte[24];
    std::snprintf(texte, sizeof texte, "\"%016llx\"", static_cast<unsigned long long>(empreinte));
    m_etiquette = texte;
}

std::string ArchiveZip::enteteLocale(const Entree& e) const
{
    std::string s;
    le32(s, 0x04034b50);
    le16(s, e.grande() ? versionZip64 : versionSimple);
    le16(s, drapeaux(e.dossier));
    le16(s, 0); // stored: photos and PDFs do not shrink
    le16(s, e.heureDOS);
    le16(s, e.dateDOS);
    // CRC and sizes follow the data, in the descriptor.
    le32(s, 0);
    le32(s, e.grande() ? plein32 : 0);
    le32(s, e.grande() ? plein32 : 0);
    le16(s, e.nom.size());
    le16(s, e.grande() ? 20 : 0);
    s += e.nom;
    if (e.grande()) {
        le16(s, 0x0001);
        le16(s, 16);
        le64(s, 0);
        le64(s, 0);
    }
    return s;
}

std::string ArchiveZip::descripteur(const Entree& e)
{
    std::string s;
    le32(s, 0x08074b50);
    le32(s, crc(e));
    if (e.grande()) {
        le64(s, static_cast<std::uint64_t>(e.taille));
        le64(s, static_cast<std::uint64_t>(e.taille));
    } else {
        le32(s, static_cast<std::uint64_t>(e.taille));
        le32(s, static_cast<std::uint64_t>(e.taille));
    }
    return s;
}

std::string ArchiveZip::centrale(const Entree& e)
{
    const bool loin = e.debut >= plein32;
    std::string s;
    le32(s, 0x02014b50);
    le16(s, faitPar);
    le16(s, e.grande() || loin ? versionZip64 : versionSimple);
    le16(s, drapeaux(e.dossier));
    le16(s, 0);
    le16(s, e.heureDOS);
    le16(s, e.dateDOS);
    le32(s, e.dossier ? 0 : crc(e));
    le32(s, e.grande() ? plein32 : static_cast<std::uint64_t>(e.taille));
    le32(s, e.grande() ? plein32 : static_cast<std::uint64_t>(e.taille));
    le16(s, e.nom.size());
    const int champs = (e.grande() ? 2 : 0) + (loin ? 1 : 0);
    le16(s, champs > 0 ? 4 + 8 * champs : 0);
    le16(s, 0);
    le16(s, 0);
    le16(s, 0);
    le32(s, (e.dossier ? (040755u << 16) | 0x10 : 0100644u << 16));
    le32(s, loin ? plein32 : static_cast<std::uint64_t>(e.debut));
    s += e.nom;
    if (champs > 0) {
        le16(s, 0x0001);
        le16(s, 8 * champs);
        if (e.grande()) {
            le64(s, static_cast<std::uint64_t>(e.taille));
            le64(s, static_cast<std::uint64_t>(e.taille));
        }
        if (loin) {
            le64(s, static_cast<std::uint64_t>(e.debut));
        }
    }
    return s;
}

std::uint32_t ArchiveZip::crc(const Entree& e)
{
    const CacheCRC::Cle cle{e.chemin, e.taille, e.modificationNs};
    if (e.taille == 0) {
        return 0;
    }
    if (const auto connu = m_crcs.trouver(cle)) {
        return *connu;
    }
    // A resume that starts past this file: read it once, now.
    const auto valeur = crcFichier(ouvrir(e), e.taille);
    if (!valeur) {
        throw std::runtime_error("lecture impossible pour l'archive : " + e.chemin);
    }
    m_crcs.garder(cle, *valeur);
    return *valeur;
}

std::size_t ArchiveZip::lire(std::int64_t position, char* tampon, std::size_t taille)
{
    std::size_t remplis = 0;
    while (remplis < taille && position < m_taille) {
        const std::size_t lus = lireMorceau(position, tampon + remplis, taille - remplis);
        if (lus == 0) {
            break;
        }
        remplis += lus;
        position += static_cast<std::int64_t>(lus);
    }
    return remplis;
}

std::size_t ArchiveZip::lireMorceau(std::int64_t position, char* tampon, std::size_t taille)
{
    const auto copier = [&](const std::string& octets, std::int64_t decalage) {
        const std::size_t n = std::min(taille, octets.size() - static_cast<std::size_t>(decalage));
        std::copy_n(octets.data() + decalage, n, tampon);
        return n;
    };
    if (position >= m_debutRepertoire) {
        const auto apres = std::upper_bound(m_entrees.begin(), m_entrees.end(), position,
                                            [](std::int64_t p, const Entree& e) { return p < e.debutCentral; });
        if (apres == m_entrees.end() && (m_entrees.empty() || position >= m_entrees.back().debutCentral +
                                                                             m_entrees.back().tailleCentrale())) {
            return copier(m_fin, position - (m_taille - static_cast<std::int64_t>(m_fin.size())));
        }
        const Entree& e = *std::prev(apres);
        return copier(centrale(e), position - e.debutCentral);
    }
    const auto apres = std::upper_bound(m_entrees.begin(), m_entrees.end(), position,
                                        [](std::int64_t p, const Entree& e) { return p < e.debut; });
    const auto index = static_cast<std::size_t>(std::prev(apres) - m_entrees.begin());
    const Entree& e = m_entrees[index];
    const std::int64_t decalage = position - e.debut;
    if (decalage < e.tailleEntete()) {
        return copier(enteteLocale(e), decalage);
    }
    if (decalage < e.tailleEntete() + e.taille) {
        return lireDonnees(index, decalage - e.tailleEntete(), tampon, taille);
    }
    return copier(descripteur(e), decalage - e.tailleEntete() - e.taille);
}

// Listed paths have their links resolved: a link met now was swapped in since and cannot lead out.
int ArchiveZip::ouvrir(const Entree& e) const
{
    return ouvrirSousRacine(m_racine, std::filesystem::path(e.chemin).lexically_relative(m_racine));
}

std::size_t ArchiveZip::lireDonnees(std::size_t index, std::int64_t decalage, char* tampon, std::size_t taille)
{
    const Entree& e = m_entrees[index];
    if (m_ouverte != index) {
        if (m_descripteur >= 0) {
            ::close(m_descripteur);
        }
        m_descripteur = ouvrir(e);
        m_ouverte = index;
        m_crcJusquA = -1;
    }
    const auto voulus = static_cast<std::size_t>(std::min<std::int64_t>(e.taille - decalage, taille));
    const ssize_t lus = m_descripteur < 0 ? -1 : ::pread(m_descripteur, tampon, voulus, decalage);
    if (lus <= 0) {
        return 0;
    }
    // The CRC is computed on the way when the file is sent from its start, as a full download does,
    // unless an earlier download already did.
    if (decalage == 0) {
        const bool connu = m_crcs.trouver({e.chemin, e.taille, e.modificationNs}).has_value();
        m_crcJusquA = connu ? -1 : 0;
        m_crcPartiel = static_cast<std::uint32_t>(::crc32(0, nullptr, 0));
    }
    if (m_crcJusquA == decalage) {
        m_crcPartiel = static_cast<std::uint32_t>(
            ::crc32(m_crcPartiel, reinterpret_cast<const Bytef*>(tampon), static_cast<uInt>(lus)));
        m_crcJusquA += lus;
        if (m_crcJusquA == e.taille) {
            m_crcs.garder({e.chemin, e.taille, e.modificationNs}, m_crcPartiel);
        }
    }
    return static_cast<std::size_t>(lus);
}

} // namespace serveur
