#pragma once

#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcsequen.h>

#include <algorithm>
#include <vector>

// Walks a dataset without recursion, so that a dataset nested any number of levels deep is
// walked on any stack, and in time linear in its size: each step goes to the next element or
// item from the one before (DCMTK's getElement(i) and getItem(i) count from the start each time).
class KMDcmWalk {
public:
    // Calls visit(owner, element, depth) for every element at or below `root` in dataset order,
    // a sequence before its items; `depth` counts the sequences around the element's item (0 for
    // the elements of `root`). `visit` must not add or remove elements. Returns the depth of the
    // most deeply nested item (0 when there is none below `root`).
    template <class Visit>
    static int ForEachElement(DcmItem& root, Visit&& visit)
    {
        // One entry per item being walked, with the sequence it lies in (null for `root`) and the
        // last element visited in it.
        struct Level {
            DcmItem* pItem;
            DcmSequenceOfItems* pSequence;
            DcmObject* pLast;
        };
        std::vector<Level> stack{Level{&root, nullptr, nullptr}};
        int deepest = 0;
        while (!stack.empty()) {
            Level& level = stack.back();
            DcmObject* next = level.pItem->nextInContainer(level.pLast);
            if (next == nullptr) {
                DcmSequenceOfItems* sequence = level.pSequence;
                DcmItem* done = level.pItem;
                stack.pop_back();
                if (sequence != nullptr) {
                    PushNextItem(stack, sequence, done, deepest);
                }
                continue;
            }
            level.pLast = next;
            auto* element = static_cast<DcmElement*>(next);
            const int depth = static_cast<int>(stack.size()) - 1;
            visit(*level.pItem, *element, depth);
            if (element->ident() == EVR_SQ) {
                PushNextItem(stack, static_cast<DcmSequenceOfItems*>(element), nullptr, deepest);
            }
        }
        return deepest;
    }

private:
    // Goes on with the item of `sequence` after `previous` (its first for null), if any.
    template <class Stack>
    static void PushNextItem(Stack& stack, DcmSequenceOfItems* sequence, DcmItem* previous, int& deepest)
    {
        auto* item = static_cast<DcmItem*>(sequence->nextInContainer(previous));
        if (item != nullptr) {
            stack.push_back({item, sequence, nullptr});
            deepest = std::max(deepest, static_cast<int>(stack.size()) - 1);
        }
    }
};
