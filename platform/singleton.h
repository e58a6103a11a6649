#pragma once

// Lazily created service instance. A service derives from TSingleton of
// itself; Get() creates it on first use, Destroy() deletes it through the
// virtual destructor so that a later Get() starts from fresh defaults.
template <class T>
class TSingleton
{
protected:
    static T* m_pSingleton;

public:
    virtual ~TSingleton() {}

    static T* Get()
    {
        if (!m_pSingleton)
            m_pSingleton = new T;
        return m_pSingleton;
    }

    static void Destroy()
    {
        if (m_pSingleton)
        {
            delete m_pSingleton;
            m_pSingleton = nullptr;
        }
    }
};

template <class T>
T* TSingleton<T>::m_pSingleton = nullptr;
