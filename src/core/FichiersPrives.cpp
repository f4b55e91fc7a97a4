#include "core/FichiersPrives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

bool occupe(const QString& chemin)
{
    struct stat etat {};
    return ::lstat(QFile::encodeName(chemin).constData(), &etat) == 0;
}

QString nomDeCote(const QString& chemin)
{
    const QString base = chemin + u".illisible"_s;
    QString candidat = base;
    for (int n = 2; occupe(candidat); ++n) {
        candidat = base + u'-' + QString::number(n);
    }
    return candidat;
}

} // namespace

void creerDossierPrive(const QString& chemin)
{
    if (QFileInfo::exists(chemin)) {
        return;
    }
    QDir().mkpath(QFileInfo(chemin).path());
    QDir().mkdir(chemin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

std::optional<QByteArray> lireFichierOrdinaire(const QString& chemin, qint64 tailleMax)
{
    // Not blocking at the open: a FIFO with no writer would otherwise hold it.
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    QFile fichier;
    struct stat etat {};
    if (::fstat(fd, &etat) != 0 || !S_ISREG(etat.st_mode) || etat.st_size > tailleMax ||
        !fichier.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    const QByteArray contenu = fichier.readAll();
    if (fichier.error() != QFileDevice::NoError || contenu.size() > tailleMax) {
        return std::nullopt;
    }
    return contenu;
}

bool mettreDeCote(const QString& chemin)
{
    const QString cote = nomDeCote(chemin);
    if (!QFile::rename(chemin, cote)) {
        return false;
    }
    // Never through a link: its target is not ours to change.
    struct stat etat {};
    const QByteArray nom = QFile::encodeName(cote);
    if (::lstat(nom.constData(), &etat) == 0 && S_ISREG(etat.st_mode)) {
        ::chmod(nom.constData(), S_IRUSR | S_IWUSR);
    }
    return true;
}

void ecarterSiInutilisable(const QString& chemin, qint64 tailleMax)
{
    struct stat etat {};
    const QByteArray nom = QFile::encodeName(chemin);
    const bool present = ::lstat(nom.constData(), &etat) == 0;
    const bool utilisable =
        ::stat(nom.constData(), &etat) == 0 && S_ISREG(etat.st_mode) && etat.st_size <= tailleMax;
    if (present && !utilisable) {
        mettreDeCote(chemin);
    }
}
