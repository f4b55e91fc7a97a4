#pragma once

#include "ControleValto.h"
#include "EtiquetteBouton.h"

// The one main action of a screen: strong fill, title in spaced capitals.
class ValtoPrimaryButton final : public ControleValto {
    Q_OBJECT

public:
    explicit ValtoPrimaryButton(const QString& titre = {}, const QString& systemImage = {},
                                QWidget* parent = nullptr);

    QString titre() const { return m_titre; }
    void setTitre(const QString& titre);
    QString systemImage() const { return m_systemImage; }
    void setSystemImage(const QString& systemImage);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    EtiquetteBouton etiquette() const;

    QString m_titre;
    QString m_systemImage;
};
