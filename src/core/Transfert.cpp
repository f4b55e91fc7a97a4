#include "core/Transfert.h"

bool Transfert::expireBientot(const QDateTime& maintenant) const
{
    if (!expireLe || *expireLe <= maintenant) {
        return false;
    }
    return maintenant.secsTo(*expireLe) < 86400;
}
