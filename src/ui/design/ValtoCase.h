#pragma once

#include "ControleValto.h"

// A checkbox: a rounded box, ticked when on, and its label beside it; a press toggles it.
class ValtoCase final : public ControleValto {
    Q_OBJECT

public:
    explicit ValtoCase(const QString& libelle, QWidget* parent = nullptr);

    bool coche() const { return m_coche; }
    void setCoche(bool coche);

    QAccessible::Role roleAccessible() const override { return QAccessible::CheckBox; }
    std::optional<bool> cocheAccessible() const override { return m_coche; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    // Only when the user toggles it.
    void basculee(bool coche);

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    QString m_libelle;
    bool m_coche = false;
};
