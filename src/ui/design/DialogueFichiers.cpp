#include "DialogueFichiers.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QString& dernierDossier()
{
    static QString dossier;
    return dossier;
}

// The child names used here ("listView", "treeView", "buttonBox", "fileNameEdit") are Qt's own dialog's,
// undocumented; they are used in this file only.
QLineEdit* champNom(const QFileDialog& dialogue)
{
    return dialogue.findChild<QLineEdit*>(u"fileNameEdit"_s);
}

} // namespace

DialogueFichiers::DialogueFichiers(QWidget* parent, const QString& bouton)
    : QFileDialog(parent)
    , m_bouton(bouton)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setLabelText(QFileDialog::Accept, bouton);
    setDirectory(dossierDepart());
    for (QAbstractItemView* vue : vues()) {
        connect(vue->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &DialogueFichiers::reetiqueterPlusTard);
    }
    if (QLineEdit* nom = champNom(*this)) {
        connect(nom, &QLineEdit::textChanged, this, &DialogueFichiers::reetiqueterPlusTard);
        // The completion and the selection write there too: only the user's own keystrokes count as typed.
        connect(nom, &QLineEdit::textEdited, this, [this] { m_saisieManuelle = true; });
        for (QAbstractItemView* vue : vues()) {
            connect(vue->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, vue] {
                if (vue->hasFocus()) {
                    m_saisieManuelle = false;
                }
            });
        }
    }
}

QString DialogueFichiers::dossierDepart()
{
    return dernierDossier().isEmpty() ? QDir::homePath() : dernierDossier();
}

void DialogueFichiers::retenirDossier(const QString& dossier)
{
    dernierDossier() = dossier;
}

void DialogueFichiers::accept()
{
    const QLineEdit* nom = champNom(*this);
    const QString saisie = nom ? nom->text().trimmed() : QString();
    if (m_saisieManuelle && !saisie.isEmpty()) {
        if (!prendreSaisie(saisie)) {
            // Several quoted names, or a name Qt can tell missing: its own rules and messages.
            QFileDialog::accept();
            if (result() == QDialog::Accepted) {
                m_choisis = selectedFiles();
                retenirDossier(directory().absolutePath());
            }
        }
        return;
    }
    const QStringList lignes = lignesChoisies();
    if (!lignes.isEmpty()) {
        confirmer(lignes);
    }
}

bool DialogueFichiers::prendreSaisie(const QString& saisie)
{
    const QFileInfo info(directory().absoluteFilePath(saisie));
    if (info.isDir()) {
        setDirectory(info.absoluteFilePath());
        champNom(*this)->clear();
        m_saisieManuelle = false;
        return true;
    }
    if (info.exists()) {
        confirmer({info.absoluteFilePath()});
        return true;
    }
    return false;
}

void DialogueFichiers::confirmer(QStringList chemins)
{
    m_choisis = std::move(chemins);
    retenirDossier(directory().absolutePath());
    QDialog::accept();
}

QStringList DialogueFichiers::lignesChoisies() const
{
    QStringList chemins;
    for (QAbstractItemView* vue : vues()) {
        auto* modele = qobject_cast<QFileSystemModel*>(vue->model());
        if (!vue->isVisible() || !modele) {
            continue;
        }
        for (const QModelIndex& ligne : vue->selectionModel()->selectedRows()) {
            chemins.append(modele->filePath(ligne));
        }
    }
    return chemins;
}

QList<QAbstractItemView*> DialogueFichiers::vues() const
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
void DialogueFichiers::reetiqueterPlusTard()
{
    QTimer::singleShot(0, this, [this] {
        if (auto* boutons = findChild<QDialogButtonBox*>(u"buttonBox"_s)) {
            for (QAbstractButton* bouton : boutons->buttons()) {
                if (boutons->buttonRole(bouton) == QDialogButtonBox::AcceptRole) {
                    bouton->setText(m_bouton);
                }
            }
        }
    });
}
