#pragma once

#include "ControleValto.h"

// A small square icon button with a help tooltip.
class ActionIcone final : public ControleValto {
    Q_OBJECT

public:
    ActionIcone(const QString& systemName, const QString& aide, qreal taille, QWidget* parent = nullptr);

    QString systemName() const { return m_systemName; }
    void setSystemName(const QString& systemName);
    QString aide() const { return m_aide; }
    void setAide(const QString& aide);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    QString m_systemName;
    QString m_aide;
    qreal m_taille;
};
