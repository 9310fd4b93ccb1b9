#pragma once
// The keyed collection every registry of a run uses: keys compare without regard to
// letter case, insertion order is kept, adding a present key fails (error 457) and
// looking up a missing key fails (error 5). Callers that expect either case use
// find()/tryAdd() instead of catching.
#include "run/QbError.h"

#include <QHash>
#include <QString>
#include <QVector>
#include <optional>

template <typename T>
class KeyedCollection {
public:
    static QString fold(const QString &key) { return key.toCaseFolded(); }

    int count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    bool contains(const QString &key) const { return m_index.contains(fold(key)); }

    // Adds the item; false when the key is already present (nothing changes then).
    bool tryAdd(const QString &key, T item)
    {
        const QString k = fold(key);
        if (m_index.contains(k))
            return false;
        m_index.insert(k, m_entries.size());
        m_entries.push_back(Entry{key, std::move(item)});
        ++m_count;
        return true;
    }

    void add(const QString &key, T item)
    {
        if (!tryAdd(key, std::move(item)))
            throw QbError(QbErrNo::KeyAlreadyInCollection, QStringLiteral("This key is already associated with an element of this collection"));
    }

    // Pointer to the item, or nullptr when the key is missing.
    T *find(const QString &key)
    {
        auto it = m_index.constFind(fold(key));
        return it == m_index.constEnd() ? nullptr : &*m_entries[*it].item;
    }
    const T *find(const QString &key) const
    {
        auto it = m_index.constFind(fold(key));
        return it == m_index.constEnd() ? nullptr : &*m_entries[*it].item;
    }

    const T &item(const QString &key) const
    {
        const T *p = find(key);
        if (!p)
            throw QbError(QbErrNo::InvalidArgument, QStringLiteral("Invalid procedure call or argument"));
        return *p;
    }

    bool remove(const QString &key)
    {
        auto it = m_index.find(fold(key));
        if (it == m_index.end())
            return false;
        m_entries[*it].item.reset();
        m_index.erase(it);
        --m_count;
        if (m_entries.size() > 64 && m_count < m_entries.size() / 2)
            compact();
        return true;
    }

    void clear()
    {
        m_index.clear();
        m_entries.clear();
        m_count = 0;
    }

    // Visits the live items in insertion order: f(key, item).
    template <typename F>
    void forEach(F &&f) const
    {
        for (const Entry &e : m_entries)
            if (e.item)
                f(e.key, *e.item);
    }
    template <typename F>
    void forEach(F &&f)
    {
        for (Entry &e : m_entries)
            if (e.item)
                f(e.key, *e.item);
    }

private:
    struct Entry {
        QString key;
        std::optional<T> item;
    };
    void compact()
    {
        QVector<Entry> kept;
        kept.reserve(m_count);
        m_index.clear();
        for (Entry &e : m_entries)
            if (e.item) {
                m_index.insert(fold(e.key), kept.size());
                kept.push_back(std::move(e));
            }
        m_entries = std::move(kept);
    }

    QHash<QString, int> m_index;
    QVector<Entry> m_entries;
    int m_count = 0;
};
