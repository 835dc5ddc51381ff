#pragma once

#include <cstdint>

struct TLinkedNode {
    std::int64_t Value = 0;
    TLinkedNode* Next = nullptr;
};

// Singly linked list of 64-bit samples, oldest at the head. Positions are
// zero-based and an access by position walks from the head, except at the
// tail, which the list keeps so that appending (the series does it once per
// sample) and reading the newest value cost one step. Nothing reports an error: out-of-range reads yield -1, out-of-range
// insertions and deletions are dropped.
class TLinkedList {
public:
    TLinkedList() = default;
    ~TLinkedList();
    TLinkedList(const TLinkedList&) = delete;
    TLinkedList& operator=(const TLinkedList&) = delete;

    void Insert(std::int32_t position, std::int64_t value);
    void Add(std::int64_t value);
    void Delete(std::int32_t position);
    std::int64_t RemoveFirst();
    std::int64_t Items(std::int32_t position) const;
    std::int32_t Count();
    // The count Insert and Delete keep, without Count's walk.
    std::int32_t Length() const { return FCount; }
    void Clear();

    // For a single pass over all values, oldest first, without the
    // quadratic cost of reading them by position.
    const TLinkedNode* First() const { return FHead; }

private:
    TLinkedNode* nodeAt(std::int32_t position) const;

    TLinkedNode* FHead = nullptr;
    TLinkedNode* FTail = nullptr;
    std::int32_t FCount = 0;
};
