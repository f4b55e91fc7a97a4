#pragma once

#include <QWidget>

class Libelle;

// A failure the user must know about, on a danger tint, until it is dismissed or replaced.
class MessageErreur final : public QWidget {
    Q_OBJECT

public:
    explicit MessageErreur(QWidget* parent = nullptr);

    QString texte() const;
    // An empty text hides the message.
    void setTexte(const QString& texte);
    QWidget* boutonFermer() const { return m_fermer; }

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    Libelle* m_texte;
    QWidget* m_fermer;
};
