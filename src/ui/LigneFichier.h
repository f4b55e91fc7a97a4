#pragma once

#include <QWidget>

#include <functional>

// One entry of the options screen's list: its kind, its name, "Lien" or "Copie", and a remove button.
class LigneFichier final : public QWidget {
    Q_OBJECT

public:
    static constexpr int hauteur = 34;

    LigneFichier(const QString& chemin, bool surLeNAS, QWidget* parent = nullptr);

    QString chemin() const { return m_chemin; }
    QWidget* boutonRetirer() const { return m_retirer; }

    // Run by the remove button with this row's location.
    std::function<void(const QString&)> surRetrait;

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    QString m_chemin;
    QWidget* m_retirer = nullptr;
};
