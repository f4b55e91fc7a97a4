#include "core/CompteUtilisateur.h"

#import <Foundation/Foundation.h>

QString nomCompletUtilisateur()
{
    return QString::fromNSString(NSFullUserName());
}

QString cheminBundleCourant()
{
    return QString::fromNSString(NSBundle.mainBundle.bundlePath);
}
