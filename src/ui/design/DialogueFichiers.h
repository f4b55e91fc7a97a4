#pragma once

#include <QFileDialog>
#include <QStringList>

class QAbstractItemView;

// The open dialog for files and folders together, several at once, as a file manager would take them: no Qt
// file mode allows that, so it collects the selected rows of its views itself. A path typed by hand wins
// over the rows the completion selected: an existing file or folder is taken whole (quotes and all), a
// folder followed by Return is opened. Confirming with nothing chosen does nothing. It opens in the user's
// home folder, then in the last folder a dialog was confirmed in.
class DialogueFichiers final : public QFileDialog {
    Q_OBJECT

public:
    DialogueFichiers(QWidget* parent, const QString& bouton);

    QStringList choisis() const { return m_choisis; }
    void accept() override;

    // Where the next dialog opens; each confirmed dialog moves it to its own folder.
    static QString dossierDepart();
    static void retenirDossier(const QString& dossier);

private:
    QList<QAbstractItemView*> vues() const;
    QStringList lignesChoisies() const;
    // True when the typed text was handled (taken or opened); false leaves it to Qt's own rules.
    bool prendreSaisie(const QString& saisie);
    void reetiqueterPlusTard();
    void confirmer(QStringList chemins);

    QString m_bouton;
    QStringList m_choisis;
    bool m_saisieManuelle = false;
};
