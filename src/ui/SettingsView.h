#pragma once

#include <QCoro/QCoroTask>
#include <QWidget>

#include <optional>

class ChampSaisie;
class QBoxLayout;
class Libelle;
class Preferences;
class QVBoxLayout;
class StatusDot;
class ValtoButton;
class ValtoCase;
class ValtoSelect;
struct Plateforme;

// The settings window's content: the six settings edited in place in the preference store (each keystroke is
// stored), what the copies folder and the key do, and a connection test with the values as typed.
class SettingsView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int largeurContenu = 440;
    static constexpr int hauteurMinimale = 420;

    SettingsView(Preferences& preferences, const Plateforme& plateforme, QWidget* parent = nullptr);

    bool testEnCours() const { return m_testEnCours; }
    std::optional<QString> testResultat() const { return m_testResultat; }
    bool testOK() const { return m_testOK; }

    // "Tout fichier déposé depuis un partage du NAS (DATA, ARCHIVES…) est référencé tel quel…".
    static QString aideNAS(const QStringList& partages);

Q_SIGNALS:
    // A setting was just written to the store.
    void preferenceModifiee(const QString& cle);

protected:
    void paintEvent(QPaintEvent* evenement) override;
    void showEvent(QShowEvent* evenement) override;

private:
    QWidget* construireContenu();
    QVBoxLayout* section(QVBoxLayout* colonne, const QString& titre);
    ChampSaisie* champ(const QString& cle, const QString& placeholder);
    Libelle* aide(const QString& texte);
    QWidget* construireTest();
    // The stored values, as stored, into the fields (an absent key shows its default).
    void relire();
    void ecrire(const QString& cle, const QVariant& valeur);

    void tester();
    QCoro::Task<> executerTest(QString baseURL, QString apiKey);
    void setTest(bool enCours, std::optional<QString> resultat, bool ok);
    // Escape and Ctrl+W (⌘W) close the window.
    void ajouterFermeture();

    Preferences& m_preferences;
    QString m_urlParDefaut;
    QString m_nomUtilisateur;
    ChampSaisie* m_baseURL = nullptr;
    ChampSaisie* m_apiKey = nullptr;
    ChampSaisie* m_montage = nullptr;
    ChampSaisie* m_expediteur = nullptr;
    ValtoSelect* m_expirationJours = nullptr;
    ValtoCase* m_prevenir = nullptr;
    Libelle* m_aideNAS = nullptr;
    ValtoButton* m_tester = nullptr;
    StatusDot* m_resultat = nullptr;
    QBoxLayout* m_rangeeTest = nullptr;

    bool m_testEnCours = false;
    std::optional<QString> m_testResultat;
    bool m_testOK = false;
    // The test took the focus off its button and owes it back.
    bool m_focusRendu = false;
};
