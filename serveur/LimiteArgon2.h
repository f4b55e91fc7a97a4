#pragma once

#include <atomic>
#include <semaphore>

namespace serveur {

// Runs password hashes and checks a few at a time: each holds its Argon2id memory (64 MiB), so a burst of
// guesses waits its turn instead of growing the process without bound.
class LimiteArgon2 final {
public:
    // 0: one per core.
    explicit LimiteArgon2(unsigned places);

    template <typename Action> auto executer(Action action)
    {
        const Place place(*this);
        return action();
    }

    // Most runs seen at once since start.
    int pic() const { return m_pic.load(); }

private:
    class Place final {
    public:
        explicit Place(LimiteArgon2& limite);
        ~Place();
        Place(const Place&) = delete;
        Place& operator=(const Place&) = delete;

    private:
        LimiteArgon2& m_limite;
    };

    std::counting_semaphore<> m_places;
    std::atomic<int> m_enCours = 0;
    std::atomic<int> m_pic = 0;
};

} // namespace serveur
