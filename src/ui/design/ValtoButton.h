#pragma once

#include "ControleValto.h"
#include "EtiquetteBouton.h"

// A secondary action: outlined (normal), bare (ghost) or red (danger), in two sizes.
class ValtoButton final : public ControleValto {
    Q_OBJECT

public:
    enum class Role { normal, ghost, danger };
    enum class Taille { normal, small };

    explicit ValtoButton(const QString& titre = {}, Role role = Role::normal, Taille taille = Taille::normal,
                         QWidget* parent = nullptr);

    QString titre() const { return m_titre; }
    void setTitre(const QString& titre);
    QString systemImage() const { return m_systemImage; }
    void setSystemImage(const QString& systemImage);
    Role role() const { return m_role; }
    void setRole(Role role);
    Taille taille() const { return m_taille; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Colours of the current role and hover state.
    QColor couleurRemplissage() const;
    QColor couleurEtiquette() const;

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    EtiquetteBouton etiquette() const;

    QString m_titre;
    QString m_systemImage;
    Role m_role;
    Taille m_taille;
};
