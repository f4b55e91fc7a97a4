#include "DialogueFichiers.h"
#include "SelecteurFichiers.h"

#include <QFileDialog>

using namespace Qt::StringLiterals;

namespace {

QString filtreExtensions(const QSet<QString>& extensions)
{
    QStringList motifs;
    for (const QString& extension : extensions) {
        motifs << u"*."_s + extension << u"*."_s + extension.toUpper();
    }
    motifs.sort();
    return u"Images et PDF (%1)"_s.arg(motifs.join(u' '));
}

} // namespace

namespace SelecteurFichiers {

QStringList dialoguePlateforme(QWidget* parent, const DemandeFichiers& demande)
{
    if (demande.genre == DemandeFichiers::Genre::fichiersEtDossiers) {
        DialogueFichiers dialogue(parent, demande.bouton);
        return dialogue.exec() == QDialog::Accepted ? dialogue.choisis() : QStringList();
    }
    QFileDialog dialogue(parent);
    dialogue.setDirectory(DialogueFichiers::dossierDepart());
    dialogue.setFileMode(QFileDialog::ExistingFile);
    dialogue.setNameFilter(filtreExtensions(demande.extensions));
    dialogue.setLabelText(QFileDialog::Accept, demande.bouton);
    if (dialogue.exec() != QDialog::Accepted) {
        return {};
    }
    DialogueFichiers::retenirDossier(dialogue.directory().absolutePath());
    return dialogue.selectedFiles();
}

} // namespace SelecteurFichiers
