#pragma once

#include "CarteEtape.h"
#include "core/Transfert.h"

#include <functional>

class ValtoButton;
class ValtoPrimaryButton;

// The card shown once the link exists: the link, its expiry, and buttons to copy it (and the password)
// again, each saying "Copié ✓" for 1.5 seconds.
class ResultatView final : public CarteEtape {
    Q_OBJECT

public:
    static constexpr int dureeCopie = 1500;

    ResultatView(const Transfert& transfert, const QString& nouveauLibelle, QWidget* parent = nullptr);

    // Run by the start-over button.
    std::function<void()> surNouveau;

    bool reCopie() const { return m_reCopie; }
    bool mdpCopie() const { return m_mdpCopie; }

    // "Lien permanent", or "Expire le …", and " · protégé par mot de passe" when protected.
    static QString ligneMeta(const Transfert& transfert);

private:
    // Puts `texte` on the clipboard, sets `drapeau` and clears it 1.5 s later.
    void copier(const QString& texte, bool ResultatView::*drapeau);
    void setDrapeau(bool ResultatView::*drapeau, bool valeur);
    void actualiserTitres();

    Transfert m_transfert;
    bool m_reCopie = false;
    bool m_mdpCopie = false;
    ValtoButton* m_copierMotDePasse = nullptr;
    ValtoPrimaryButton* m_recopierLien;
};
