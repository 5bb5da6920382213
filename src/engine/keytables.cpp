#include "engine/keytables.h"

namespace {
// Characters of the results.
constexpr std::uint8_t kHome = 1, kEnter = 3, kEnd = 4, kBackspace = 8, kTab = 9, kPageUp = 11, kPageDown = 12,
                       kReturn = 13, kLeft = 28, kRight = 29, kUp = 30, kDown = 31, kDelete = 127;
}  // namespace

const std::array<std::uint8_t, kKxCtrlkeySize> gCtrlkeyDef = {
    'S', 0, kLeft, 0,       'D', 0, kRight, 0,      'A', 0, kLeft, 4,       'F', 0, kRight, 4,
    'E', 0, kUp, 0,         'X', 0, kDown, 0,       'R', 0, kPageUp, 0,     'C', 0, kPageDown, 0,
    'W', 0, kUp, 6,         'Z', 0, kDown, 6,       'Q', 'S', kLeft, 2,     'Q', 'D', kRight, 2,
    'Q', 'R', kHome, 0,     'Q', 'C', kEnd, 0,      'M', 0, kReturn, 0,     'I', 0, kTab, 0,
    'H', 0, kBackspace, 0,  'G', 0, kDelete, 0,     'J', 0, kBackspace, 4,  'T', 0, kDelete, 4,
    'U', 0, kBackspace, 2,  'K', 0, kDelete, 2,     'Y', 0, kDelete, 6,     'L', 0, kEnter, 6,
    0, 0, 0, 0,             0, 0, 0, 0,
};

const std::array<std::uint8_t, kKxArrowkeySize> gArrowkeyDef = {
    kLeft, 4, kLeft, 4,     kRight, 4, kRight, 4,   kLeft, 2, kLeft, 2,     kRight, 2, kRight, 2,
    kLeft, 6, kLeft, 6,     kRight, 6, kRight, 6,   kUp, 2, kPageUp, 0,     kDown, 2, kPageDown, 0,
    kUp, 6, kHome, 0,       kDown, 6, kEnd, 0,      kUp, 4, kUp, 6,         kDown, 4, kDown, 6,
};

std::array<std::uint8_t, kKxCtrlkeySize> gCtrlkeys = gCtrlkeyDef;
std::array<std::uint8_t, kKxArrowkeySize> gArrowkeys = gArrowkeyDef;

namespace {
const CKXFunctionKeys gNoFunctionKeys;
const CKXFunctionKeys* gFunctionKeys = nullptr;
}  // namespace

void CKXFunctionKeys::Install(const CKXFunctionKeys* keys) { gFunctionKeys = keys; }

const CKXFunctionKeys& CKXFunctionKeys::Get() { return gFunctionKeys ? *gFunctionKeys : gNoFunctionKeys; }
