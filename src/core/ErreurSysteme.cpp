#include "core/ErreurSysteme.h"

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

// The system's own texts are English whatever the user's language: those a copy or a save can meet.
QString texteFrancais(int code)
{
    switch (code) {
    case ENOENT:
        return u"Aucun fichier ou dossier de ce nom"_s;
    case EACCES:
        return u"Permission refusée"_s;
    case EPERM:
        return u"Opération non permise"_s;
    case EEXIST:
        return u"Le fichier existe déjà"_s;
    case ENOTDIR:
        return u"Un élément du chemin n'est pas un dossier"_s;
    case EISDIR:
        return u"C'est un dossier"_s;
    case ENOTEMPTY:
        return u"Le dossier n'est pas vide"_s;
    case EINVAL:
        return u"Argument invalide (nom refusé par le volume ?)"_s;
    case EILSEQ:
        return u"Nom de fichier invalide pour ce volume"_s;
    case ENAMETOOLONG:
        return u"Nom de fichier ou chemin trop long"_s;
    case ELOOP:
        return u"Trop de niveaux de liens symboliques"_s;
    case ENOSPC:
        return u"Plus d'espace libre sur le volume"_s;
    case EDQUOT:
        return u"Quota d'espace disque dépassé"_s;
    case EFBIG:
        return u"Fichier trop volumineux pour ce volume"_s;
    case EROFS:
        return u"Volume en lecture seule"_s;
    case EIO:
        return u"Erreur d'entrée-sortie"_s;
    case EBUSY:
        return u"Ressource occupée"_s;
    case EMFILE:
    case ENFILE:
        return u"Trop de fichiers ouverts"_s;
    case ENOMEM:
        return u"Mémoire insuffisante"_s;
    case EAGAIN:
        return u"Ressource momentanément indisponible"_s;
    case ETIMEDOUT:
        return u"Délai d'attente dépassé"_s;
    case ESTALE:
    case ENOTCONN:
    case EHOSTDOWN:
    case EHOSTUNREACH:
        return u"Le partage réseau ne répond plus"_s;
    default:
        return {};
    }
}

} // namespace

ErreurSysteme ErreurSysteme::depuisCode(int code)
{
    const QString texte = texteFrancais(code);
    return ErreurSysteme{texte.isEmpty() ? qt_error_string(code) : texte};
}
