#pragma once

// The process-wide single instance of T: Create installs (or replaces) it,
// Instance reaches it and creates it on first use, Destroy deletes it at exit.
template <typename T>
class SingleInstance {
public:
    static void Create(T* replacement)
    {
        if (instance && !replacement)
            return;
        if (instance && replacement) {
            T* old = instance;
            instance = nullptr;
            delete old;
        }
        // Stored only once constructed: nothing the constructor runs may see it.
        T* created = replacement ? replacement : new T();
        instance = created;
    }

    static T* Instance()
    {
        if (!instance)
            Create(nullptr);
        return instance;
    }

    static bool Exists() { return instance != nullptr; }

    static void Destroy()
    {
        T* old = instance;
        instance = nullptr;
        delete old;
    }

private:
    static inline T* instance = nullptr;
};
