#include "ConfirmationAbandon.h"

using namespace Qt::StringLiterals;

ConfirmationAbandon::ConfirmationAbandon(QWidget* parent)
    : DialogueConfirmation(u"Transfert en cours"_s, u"Abandonner le transfert en cours ?"_s,
                           u"Il s'arrête, aucun lien n'est créé et les fichiers déjà copiés sur le NAS "
                           u"sont supprimés. Les originaux ne sont pas touchés."_s,
                           {u"Continuer"_s, u"continuer"_s}, {u"Abandonner le transfert"_s, u"abandonner"_s}, parent)
{
}

bool ConfirmationAbandon::demander(QWidget* parent)
{
    ConfirmationAbandon dialogue(parent);
    return dialogue.exec() == QDialog::Accepted;
}
