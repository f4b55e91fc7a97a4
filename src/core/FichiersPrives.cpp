#include "core/FichiersPrives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
