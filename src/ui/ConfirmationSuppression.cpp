#include "ConfirmationSuppression.h"

using namespace Qt::StringLiterals;

ConfirmationSuppression::ConfirmationSuppression(const QString& titreTransfert, QWidget* parent)
    : DialogueConfirmation(u"Supprimer le transfert"_s, titre(titreTransfert),
                           u"Le lien sera désactivé. Seuls les fichiers copiés dans Valto Transferts "
                           u"sont supprimés — les originaux référencés sur le NAS ne sont pas touchés."_s,
                           {u"Annuler"_s, u"annuler"_s}, {u"Supprimer le transfert"_s, u"supprimer"_s}, parent)
{
}

QString ConfirmationSuppression::titre(const QString& titreTransfert)
{
    return u"Supprimer « "_s + titreTransfert + u" » ?"_s;
}
