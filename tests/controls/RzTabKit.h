#pragma once
// Tab controls for the tab tests: a strip of captioned tabs without a
// window, freed with the object.
#include <memory>
#include <string>
#include <vector>

#include "controls/RzTabs.h"

template <typename T>
using TOwnedTab = std::unique_ptr<T, TObjectFree>;

inline TOwnedTab<TRzTabControl> NewTabStrip(const std::vector<std::string>& Captions, int W = 300, int H = 100)
{
    TOwnedTab<TRzTabControl> C(new TRzTabControl(nullptr));
    C->SetBounds(0, 0, W, H);
    for (const auto& Caption : Captions) {
        auto T = new TRzTabData;
        T->Caption = Caption;
        C->Tabs()->Add(T);
    }
    C->TabsChanged();
    return C;
}
