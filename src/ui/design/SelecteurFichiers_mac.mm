#include "SelecteurFichiers.h"

#import <AppKit/AppKit.h>
#import <UniformTypeIdentifiers/UniformTypeIdentifiers.h>

namespace SelecteurFichiers {

QStringList dialoguePlateforme(QWidget*, const DemandeFichiers& demande)
{
    @autoreleasepool {
        NSOpenPanel* panneau = [NSOpenPanel openPanel];
        const bool plusieurs = demande.genre == DemandeFichiers::Genre::fichiersEtDossiers;
        panneau.canChooseFiles = YES;
        panneau.canChooseDirectories = plusieurs;
        panneau.allowsMultipleSelection = plusieurs;
        panneau.prompt = demande.bouton.toNSString();
        if (!plusieurs) {
            // Extensions without a known content type are left out.
            NSMutableArray<UTType*>* types = [NSMutableArray array];
            for (const QString& extension : demande.extensions) {
                UTType* type = [UTType typeWithFilenameExtension:extension.toNSString()];
                if (type != nil) {
                    [types addObject:type];
                }
            }
            panneau.allowedContentTypes = types;
        }
        if ([panneau runModal] != NSModalResponseOK) {
            return {};
        }
        QStringList chemins;
        for (NSURL* url in panneau.URLs) {
            // The file system hands decomposed names; paths compare as text elsewhere.
            chemins.append(QString::fromNSString(url.path).normalized(QString::NormalizationForm_C));
        }
        return chemins;
    }
}

} // namespace SelecteurFichiers
