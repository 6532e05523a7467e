#pragma once

#include <map>
#include <vector>

// A group of like controls addressed by index.  Indices need not be
// contiguous (Option1 has no members 26 to 47); a missing index gives nullptr.
template <typename T> class ControlArray
{
public:
    void add(int index, T* control) { m_members[index] = control; }
    T* operator()(int index) const
    {
        const auto it = m_members.find(index);
        return it == m_members.end() ? nullptr : it->second;
    }
    int count() const { return static_cast<int>(m_members.size()); }
    std::vector<int> indices() const
    {
        std::vector<int> out;
        for (const auto& m : m_members)
            out.push_back(m.first);
        return out;
    }

private:
    std::map<int, T*> m_members;
};
