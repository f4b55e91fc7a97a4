#pragma once

#include "update/Etat.h"

#include <QWidget>

#include <optional>

class ActionIcone;
class DSBar;
class IndicateurActivite;
class Libelle;
class QGraphicsOpacityEffect;
class QPropertyAnimation;
class Symbole;
class UpdateChecker;
class ValtoButton;

// The update banner: what the checker is doing with a newer version, shown only while there is
// something to say. It slides in from the top and out again.
class MiseAJourBanniere final : public QWidget {
    Q_OBJECT

public:
    static constexpr int largeurBarre = 96;

    explicit MiseAJourBanniere(UpdateChecker& updates, QWidget* parent = nullptr);

    // The line shown for a state; `version` names the newer release (empty when unknown).
    static QString message(const Etat& etat, const QString& version);

    // True while the banner is (or is becoming) shown.
    bool presente() const { return m_presente; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return QSize(0, 0); }

protected:
    void paintEvent(QPaintEvent* evenement) override;
    void resizeEvent(QResizeEvent* evenement) override;

private:
    void construireRangee();
    void actualiser();
    void glisser(bool entrer);
    void placerRangee();

    UpdateChecker& m_updates;
    QPropertyAnimation* m_glissement;
    QWidget* m_rangee = nullptr;
    IndicateurActivite* m_activite = nullptr;
    Symbole* m_symbole = nullptr;
    Libelle* m_message = nullptr;
    DSBar* m_barre = nullptr;
    ValtoButton* m_telecharger = nullptr;
    ActionIcone* m_masquer = nullptr;
    QGraphicsOpacityEffect* m_fondu = nullptr;
    bool m_presente = false;
};
