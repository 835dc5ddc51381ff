#include "graph/LinkedInt64List.h"

TLinkedList::~TLinkedList()
{
    Clear();
}

// Negative positions lie outside the list like those past its end; callers
// never pass them, and treating them alike keeps every operation defined.
TLinkedNode* TLinkedList::nodeAt(std::int32_t position) const
{
    if (position < 0 || position > FCount)
        return nullptr;
    if (position == FCount - 1)
        return FTail;
    TLinkedNode* node = FHead;
    for (std::int32_t i = 0; i < position && node != nullptr; ++i)
        node = node->Next;
    return node;
}

void TLinkedList::Insert(std::int32_t position, std::int64_t value)
{
    if (position < 0 || position > FCount)
        return;
    auto* node = new TLinkedNode{value, nullptr};
    if (position == 0) {
        node->Next = FHead;
        FHead = node;
    } else {
        TLinkedNode* before = nodeAt(position - 1);
        node->Next = before->Next;
        before->Next = node;
    }
    if (node->Next == nullptr)
        FTail = node;
    ++FCount;
}

void TLinkedList::Add(std::int64_t value)
{
    Insert(FCount, value);
}

void TLinkedList::Delete(std::int32_t position)
{
    if (FHead == nullptr || position < 0)
        return;
    TLinkedNode* doomed = nullptr;
    TLinkedNode* before = nullptr;
    if (position == 0) {
        doomed = FHead;
        FHead = doomed->Next;
    } else {
        if (position >= FCount)
            return;
        before = nodeAt(position - 1);
        doomed = before->Next;
        before->Next = doomed->Next;
    }
    if (doomed == FTail)
        FTail = before;
    delete doomed;
    --FCount;
}

std::int64_t TLinkedList::RemoveFirst()
{
    const std::int64_t value = Items(0);
    Delete(0);
    return value;
}

std::int64_t TLinkedList::Items(std::int32_t position) const
{
    if (position < 0 || position > FCount - 1)
        return -1;
    return nodeAt(position)->Value;
}

std::int32_t TLinkedList::Count()
{
    std::int32_t count = 0;
    for (const TLinkedNode* node = FHead; node != nullptr; node = node->Next)
        ++count;
    FCount = count;
    return FCount;
}

// Iterative, so that no length of list can exhaust the stack; the order in
// which the nodes are freed is not observable.
void TLinkedList::Clear()
{
    while (FHead != nullptr) {
        TLinkedNode* next = FHead->Next;
        delete FHead;
        FHead = next;
    }
    FTail = nullptr;
    FCount = 0;
}
