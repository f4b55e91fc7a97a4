#include "nas/NASCopier.h"

#include "core/Affichage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

QString NASCopierErreur::description() const
{
    switch (cas) {
    case Cas::montageAbsent:
        return u"Des fichiers hors NAS doivent être copiés, mais le dossier des copies est introuvable ("_s +
               valeur + u"). Connecte le partage DATA dans le Finder, puis réessaie."_s;
    case Cas::dossierExistant:
        return u"Collision de token ("_s + valeur + u") — relance le transfert."_s;
    }
    return {};
}

namespace {

// Each chunk moves in pieces that stay in the processor's cache: a 1 MiB buffer spills out of many
// L2 caches and makes the kernel's copies in and out of it several times slower, as does a buffer
// that is not page-aligned.
constexpr qint64 tailleMorceau = 128 * 1024;

struct alignas(4096) Morceau {
    char octets[tailleMorceau];
};

// A path in a message: a folder thousands of levels deep must not make a message of pages.
QString cheminAffiche(const QByteArray& chemin)
{
    constexpr qsizetype longueurMax = 120;
    return abregerAuMilieu(QFile::decodeName(chemin), longueurMax);
}

std::unexpected<ErreurSysteme> erreurPlateforme(int code)
{
    return std::unexpected(ErreurSysteme::depuisCode(code));
}

// The system's text alone does not tell which of a thousand files failed.
std::unexpected<ErreurSysteme> echecNomme(const QByteArray& source, const QString& texte)
{
    return std::unexpected(
        ErreurSysteme{u"Copie de « %1 » impossible : %2"_s.arg(cheminAffiche(source), texte)});
}

Resultat<void> avecNom(const QByteArray& source, const Resultat<void>& resultat)
{
    return resultat ? resultat : echecNomme(source, resultat.error().texte);
}

// Only folders and regular files are copied: a FIFO would block the copy for ever, a device such as
// /dev/zero would fill the disk.
Resultat<void> verifierNature(const QByteArray& source, const struct stat& etat)
{
    if (S_ISDIR(etat.st_mode) || S_ISREG(etat.st_mode)) {
        return {};
    }
    return std::unexpected(ErreurSysteme{
        u"« %1 » n'est pas un fichier ordinaire : copie interrompue."_s.arg(cheminAffiche(source))});
}

// A file descriptor closed on every way out.
class Descripteur final {
public:
    explicit Descripteur(int fd)
        : m_fd(fd)
    {
    }
    Descripteur(const Descripteur&) = delete;
    Descripteur& operator=(const Descripteur&) = delete;
    ~Descripteur()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    int fd() const { return m_fd; }
    int liberer() { return std::exchange(m_fd, -1); }
    int fermer() { return ::close(liberer()); }

private:
    int m_fd;
};

// Where a folder really is, whatever link led to it.
struct Identite final {
    dev_t peripherique;
    ino_t noeud;

    bool operator==(const Identite&) const = default;
};

Identite identite(const struct stat& etat)
{
    return {etat.st_dev, etat.st_ino};
}

// One copy under way: the running count, the folders on the current descent path, one reused buffer.
struct Copie final {
    Copie(const NASCopier::Progression& surProgression, Identite dossierTransfert, std::stop_token arret)
        : surProgression(surProgression)
        , dossierTransfert(dossierTransfert)
        , arret(std::move(arret))
    {
    }

    qint64 octets = 0;
    const NASCopier::Progression& surProgression;
    Identite dossierTransfert;
    std::stop_token arret;
    std::vector<Identite> ancetres;
    std::unique_ptr<Morceau> tampon = std::make_unique_for_overwrite<Morceau>();
};

// Asked between chunks and between files, so a copy stops within one chunk's time.
Resultat<void> continuer(const Copie& copie)
{
    if (copie.arret.stop_requested()) {
        return std::unexpected(ErreurSysteme{u"Copie annulée."_s});
    }
    return {};
}

Resultat<void> ecrireTout(int fd, const char* donnees, qint64 taille)
{
    while (taille > 0) {
        const ssize_t ecrits = ::write(fd, donnees, size_t(taille));
        if (ecrits < 0) {
            if (errno == EINTR) {
                continue;
            }
            return erreurPlateforme(errno);
        }
        donnees += ecrits;
        taille -= ecrits;
    }
    return {};
}

ssize_t lire(int fd, char* tampon, qint64 taille)
{
    ssize_t lus;
    do {
        lus = ::read(fd, tampon, size_t(taille));
    } while (lus < 0 && errno == EINTR);
    return lus;
}

// Moves up to one chunk from `source` to `cible`; returns its length, 0 at the end of the file.
Resultat<qint64> copierBloc(int source, int cible, char* tampon)
{
    qint64 bloc = 0;
    while (bloc < NASCopier::tailleBloc) {
        const ssize_t lus = lire(source, tampon, std::min(tailleMorceau, NASCopier::tailleBloc - bloc));
        if (lus < 0) {
            return erreurPlateforme(errno);
        }
        if (lus == 0) {
            break;
        }
        if (auto ecrit = ecrireTout(cible, tampon, lus); !ecrit) {
            return std::unexpected(ecrit.error());
        }
        bloc += lus;
    }
    return bloc;
}

Resultat<void> copierContenu(int source, const QByteArray& destination, Copie& copie)
{
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(source, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    Descripteur cible(::open(destination.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (cible.fd() < 0) {
        return erreurPlateforme(errno);
    }
    for (;;) {
        if (auto suite = continuer(copie); !suite) {
            return suite;
        }
        const auto bloc = copierBloc(source, cible.fd(), copie.tampon->octets);
        if (!bloc) {
            return std::unexpected(bloc.error());
        }
        if (*bloc > 0) {
            copie.octets += *bloc;
            if (copie.surProgression) {
                copie.surProgression(copie.octets);
            }
        }
        // A short chunk has already met the end of the file.
        if (*bloc < NASCopier::tailleBloc) {
            break;
        }
    }
    // A network share may report a failed write only when the file is closed.
    if (cible.fermer() != 0) {
        return erreurPlateforme(errno);
    }
    return {};
}

Resultat<void> creerDossier(const QByteArray& chemin)
{
    if (::mkdir(chemin.constData(), 0777) == 0) {
        return {};
    }
    const int erreur = errno;
    struct stat etat {};
    if (erreur == EEXIST && ::stat(chemin.constData(), &etat) == 0 && S_ISDIR(etat.st_mode)) {
        return {};
    }
    return erreurPlateforme(erreur);
}

// The names to copy from an open folder (whose descriptor it takes over), Finder metadata left out.
Resultat<std::vector<QByteArray>> listerACopier(int dossier)
{
    DIR* flux = ::fdopendir(dossier);
    if (flux == nullptr) {
        const int erreur = errno;
        ::close(dossier);
        return erreurPlateforme(erreur);
    }
    std::vector<QByteArray> noms;
    for (;;) {
        errno = 0;
        const dirent* entree = ::readdir(flux);
        if (entree == nullptr) {
            break;
        }
        const QByteArrayView nom(entree->d_name);
        if (nom != "." && nom != ".." && nom != ".DS_Store") {
            noms.push_back(nom.toByteArray());
        }
    }
    const int erreur = errno;
    ::closedir(flux);
    if (erreur != 0) {
        return erreurPlateforme(erreur);
    }
    return noms;
}

// Links are followed, so a folder met again below itself would be copied until the disk is full.
Resultat<void> verifierDescente(const Identite& dossier, const QByteArray& source, const Copie& copie)
{
    const QString chemin = cheminAffiche(source);
    if (copie.dossierTransfert == dossier) {
        return std::unexpected(
            ErreurSysteme{u"Le dossier de destination se trouve parmi les fichiers à copier (« "_s + chemin +
                          u" ») : copie interrompue."_s});
    }
    if (std::ranges::find(copie.ancetres, dossier) != copie.ancetres.end()) {
        return std::unexpected(
            ErreurSysteme{u"Boucle de liens symboliques dans « "_s + chemin + u" » : copie interrompue."_s});
    }
    return {};
}

Resultat<void> copierEntree(const QByteArray& source, const QByteArray& destination, Copie& copie);

Resultat<void> copierDossier(Descripteur& dossier, const struct stat& etat, const QByteArray& source,
                             const QByteArray& destination, Copie& copie)
{
    if (auto descente = verifierDescente(identite(etat), source, copie); !descente) {
        return descente;
    }
    if (auto cree = creerDossier(destination); !cree) {
        return avecNom(source, cree);
    }
    const auto noms = listerACopier(dossier.liberer());
    if (!noms) {
        return avecNom(source, std::unexpected(noms.error()));
    }
    copie.ancetres.push_back(identite(etat));
    Resultat<void> resultat;
    for (const QByteArray& nom : *noms) {
        resultat = copierEntree(source + '/' + nom, destination + '/' + nom, copie);
        if (!resultat) {
            break;
        }
    }
    copie.ancetres.pop_back();
    return resultat;
}

// A folder or a regular file, links followed, looked at before it is opened and again once open (it may
// have been swapped meanwhile). Never blocks: the open does not wait for a FIFO's writer.
Resultat<int> ouvrirSource(const QByteArray& source, struct stat& etat)
{
    if (::stat(source.constData(), &etat) != 0) {
        return echecNomme(source, ErreurSysteme::depuisCode(errno).texte);
    }
    if (auto nature = verifierNature(source, etat); !nature) {
        return std::unexpected(nature.error());
    }
    Descripteur entree(::open(source.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (entree.fd() < 0 || ::fstat(entree.fd(), &etat) != 0) {
        return echecNomme(source, ErreurSysteme::depuisCode(errno).texte);
    }
    if (auto nature = verifierNature(source, etat); !nature) {
        return std::unexpected(nature.error());
    }
    ::fcntl(entree.fd(), F_SETFL, ::fcntl(entree.fd(), F_GETFL) & ~O_NONBLOCK);
    return entree.liberer();
}

// The open descriptor tells a folder from a file and then serves the copy.
Resultat<void> copierEntree(const QByteArray& source, const QByteArray& destination, Copie& copie)
{
    if (auto suite = continuer(copie); !suite) {
        return suite;
    }
    struct stat etat {};
    const auto ouverte = ouvrirSource(source, etat);
    if (!ouverte) {
        return std::unexpected(ouverte.error());
    }
    Descripteur entree(*ouverte);
    if (S_ISDIR(etat.st_mode)) {
        return copierDossier(entree, etat, source, destination, copie);
    }
    return avecNom(source, copierContenu(entree.fd(), destination, copie));
}

bool libre(const QString& chemin)
{
    struct stat etat {};
    return ::lstat(QFile::encodeName(chemin).constData(), &etat) != 0;
}

// A later namesake gets "name 2", "name 3"..., numbered before a file's extension as the Finder does.
// Asking the destination itself respects its own rules on case and accents.
QString nomLibre(const QString& source, const QString& dossier)
{
    const QString nom = QFileInfo(QDir::cleanPath(source)).fileName();
    if (libre(dossier + u'/' + nom)) {
        return nom;
    }
    const qsizetype point = QFileInfo(source).isDir() ? -1 : nom.lastIndexOf(u'.');
    const qsizetype coupure = point > 0 ? point : nom.size();
    for (int numero = 2;; ++numero) {
        const QString candidat = nom.left(coupure) + u' ' + QString::number(numero) + nom.mid(coupure);
        if (libre(dossier + u'/' + candidat)) {
            return candidat;
        }
    }
}

} // namespace

namespace NASCopier {

QString dossierTransfert(const QString& dossierCopies, const QString& token)
{
    return QDir(dossierCopies).filePath(token);
}

Resultat<QStringList, ErreurCopie> copier(const QStringList& urls, const QString& token,
                                          const QString& dossierCopies, const Progression& surProgression,
                                          std::stop_token arret)
{
    if (!QFileInfo::exists(dossierCopies)) {
        return std::unexpected(NASCopierErreur::montageAbsent(dossierCopies));
    }
    const QString dossier = dossierTransfert(dossierCopies, token);
    const QByteArray chemin = QFile::encodeName(dossier);
    struct stat etat {};
    if (::lstat(chemin.constData(), &etat) == 0) {
        return std::unexpected(NASCopierErreur::dossierExistant(token));
    }
    if (::mkdir(chemin.constData(), 0777) != 0 || ::stat(chemin.constData(), &etat) != 0) {
        return std::unexpected(
            ErreurSysteme{u"Création du dossier du transfert dans « %1 » impossible : %2"_s.arg(
                dossierCopies, ErreurSysteme::depuisCode(errno).texte)});
    }
    Copie copie(surProgression, identite(etat), std::move(arret));
    QStringList noms;
    for (const QString& url : urls) {
        noms.append(nomLibre(url, dossier));
        const QByteArray destination = chemin + '/' + QFile::encodeName(noms.constLast());
        if (auto resultat = copierEntree(QFile::encodeName(url), destination, copie); !resultat) {
            return std::unexpected(resultat.error());
        }
    }
    return noms;
}

} // namespace NASCopier
