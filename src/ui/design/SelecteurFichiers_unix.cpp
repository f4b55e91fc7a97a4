#include "SelecteurFichiers.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// No Qt file mode takes files and folders together: this dialog collects the selected rows of its views
// itself. The child names it relies on ("listView", "treeView", "buttonBox", "fileNameEdit") are Qt's
// own dialog's, undocumented; they are used here only.
class DialogueFichiersEtDossiers final : public QFileDialog {
public:
    DialogueFichiersEtDossiers(QWidget* parent, const QString& bouton)
        : QFileDialog(parent)
        , m_bouton(bouton)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::ExistingFiles);
        setLabelText(QFileDialog::Accept, bouton);
        for (QAbstractItemView* vue : vues()) {
            connect(vue->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                    &DialogueFichiersEtDossiers::reetiqueterPlusTard);
        }
        if (auto* nom = findChild<QLineEdit*>(u"fileNameEdit"_s)) {
            connect(nom, &QLineEdit::textChanged, this, &DialogueFichiersEtDossiers::reetiqueterPlusTard);
        }
    }

    QStringList choisis() const { return m_choisis.isEmpty() ? selectedFiles() : m_choisis; }

    void accept() override
    {
        m_choisis.clear();
        for (QAbstractItemView* vue : vues()) {
            auto* modele = qobject_cast<QFileSystemModel*>(vue->model());
            if (!vue->isVisible() || !modele) {
                continue;
            }
            for (const QModelIndex& ligne : vue->selectionModel()->selectedRows()) {
                m_choisis.append(modele->filePath(ligne));
            }
        }
        if (m_choisis.isEmpty()) {
            // A name typed by hand: Qt's own rules (and its opening of a typed folder) apply.
            QFileDialog::accept();
            return;
        }
        QDialog::accept();
    }

private:
    QList<QAbstractItemView*> vues() const
    {
        QList<QAbstractItemView*> trouvees;
        for (const QString& nom : {u"listView"_s, u"treeView"_s}) {
            if (auto* vue = findChild<QAbstractItemView*>(nom)) {
                trouvees.append(vue);
            }
        }
        return trouvees;
    }

    // Qt names the button "Ouvrir" when a folder is selected; ours keeps its title.
    void reetiqueterPlusTard()
    {
        QTimer::singleShot(0, this, [this] {
            if (auto* boutons = findChild<QDialogButtonBox*>(u"buttonBox"_s)) {
                for (QAbstractButton* b : boutons->buttons()) {
                    if (boutons->buttonRole(b) == QDialogButtonBox::AcceptRole) {
                        b->setText(m_bouton);
                    }
                }
            }
        });
    }

    QString m_bouton;
    QStringList m_choisis;
};

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
        DialogueFichiersEtDossiers dialogue(parent, demande.bouton);
        return dialogue.exec() == QDialog::Accepted ? dialogue.choisis() : QStringList();
    }
    QFileDialog dialogue(parent);
    dialogue.setFileMode(QFileDialog::ExistingFile);
    dialogue.setNameFilter(filtreExtensions(demande.extensions));
    dialogue.setLabelText(QFileDialog::Accept, demande.bouton);
    return dialogue.exec() == QDialog::Accepted ? dialogue.selectedFiles() : QStringList();
}

} // namespace SelecteurFichiers
