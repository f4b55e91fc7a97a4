#include "Apparence.h"

#import <AppKit/AppKit.h>

// Qt updates the application palette when the system appearance changes, so the palette event is the
// moment to read it again; nothing else to listen to.
void Apparence::ecouterPlateforme()
{
}

std::optional<Apparence::Mode> Apparence::lirePlateforme() const
{
    if (NSApp == nil) {
        return std::nullopt;
    }
    NSAppearanceName meilleur = [NSApp.effectiveAppearance
        bestMatchFromAppearancesWithNames:@[ NSAppearanceNameAqua, NSAppearanceNameDarkAqua ]];
    return [meilleur isEqualToString:NSAppearanceNameDarkAqua] ? Mode::sombre : Mode::clair;
}
