// Fuzz target: the choice of the null stub that takes a missing entry's
// place (SelectNullStubMember, PickNullStub), by entry number and by name.
//
// Input: byte 0 picks the form of the entry: 0 mod 3, a number from bytes
// 1-2 (little-endian); 1 mod 3, the number of a row of the host entry table
// (byte 1 mod 26); 2 mod 3, a name made of the rest of the input, in a heap
// block of exactly its length plus the terminator. Both routines are checked
// against a reference of the selection rule; for a row of the entry table the
// stub installed must remove what the plug-in's own calls of that entry leave
// to it (host_entries.h), whatever member the rule names.
#include <memory>
#include <string>

#include "binding.h"
#include "fuzz_support.h"

namespace {

// Member of the selection rule, or -1 for none.
//   number n: r = n mod 100; r = 99 gives 0; r a multiple of 4 up to 56
//   gives r / 4; anything else none.
//   name: the last '@'; none, or no decimal digit after it, gives 0;
//   otherwise the decimal number after it divided by 4, if that is 14 or
//   less, else none. The number may have any count of digits.
int32_t RuleMember(uint32_t number) {
    uint32_t r = number % 100;
    if (r == 99) return 0;
    if (r % 4 == 0 && r <= 56) return (int32_t)(r / 4);
    return -1;
}

int32_t RuleMember(const std::string& name) {
    size_t at = name.rfind('@');
    if (at == std::string::npos) return 0;
    size_t first = at + 1, last = first;
    while (last < name.size() && name[last] >= '0' && name[last] <= '9') ++last;
    if (last == first) return 0;
    while (first < last - 1 && name[first] == '0') ++first;  // leading zeros
    if (last - first > 2) return -1;                         // 100 or more
    uint32_t value = 0;
    for (size_t i = first; i < last; ++i) value = value * 10 + (uint32_t)(name[i] - '0');
    return value / 4 <= 14 ? (int32_t)(value / 4) : -1;
}

// The member that removes exactly the argument bytes the plug-in's calls of
// an entry leave to it, from the contract list.
#define STUB_FOR_CALLEE(bytes) ((bytes) / 4)
#define STUB_FOR_CALLER(bytes) 0
struct ContractRow {
    uint32_t Number;
    int32_t Member;
};
const ContractRow kContracts[] = {
#define CONTRACT_ROW(number, name, conv, bytes) {number, STUB_FOR_##conv(bytes)},
    HOST_ENTRY_LIST(CONTRACT_ROW)
#undef CONTRACT_ROW
};

const ContractRow* ContractOf(uint32_t number) {
    for (const ContractRow& row : kContracts)
        if (row.Number == number) return &row;
    return nullptr;
}

void* const kUntouched = (void*)(uintptr_t)0x5A5A5A5A;

void CheckEntry(uintptr_t entry, int32_t rule, const ContractRow* contract, const std::string& what) {
    int32_t member = SelectNullStubMember(entry);
    FUZZ_CHECK(member == rule, what + ": rule gives " + std::to_string(rule) + ", routine " +
                                   std::to_string(member));

    void* slot = kUntouched;
    PickNullStub(entry, &slot);
    void* expected = rule < 0 ? nullptr : NullStubTable[contract ? contract->Member : rule];
    FUZZ_CHECK(slot == expected, what + ": slot holds the wrong stub (rule member " +
                                     std::to_string(rule) + ")");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The rule's own outcome for the plug-in's 26 entries: a member only for
    // these five.
    for (const HostEntryRow& row : HostEntryTable) {
        int32_t member = RuleMember(row.Number);
        bool listed = row.Number == 52028 || row.Number == 52224 || row.Number == 35799 ||
                      row.Number == 52256 || row.Number == 51656;
        FUZZ_CHECK((member >= 0) == listed, "entry " + std::to_string(row.Number));
        const ContractRow* contract = ContractOf(row.Number);
        FUZZ_CHECK(contract && contract->Member < NULL_STUB_COUNT,
                   "entry " + std::to_string(row.Number) + " has no stub for its contract");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader input(data, size);
    switch (input.Byte() % 3) {
    case 0: {
        uint32_t number = input.U16();
        CheckEntry(number, RuleMember(number), ContractOf(number),
                   "entry " + std::to_string(number));
        break;
    }
    case 1: {
        uint32_t number = HostEntryTable[input.Byte() % HOST_ENTRY_COUNT].Number;
        CheckEntry(number, RuleMember(number), ContractOf(number),
                   "entry " + std::to_string(number));
        break;
    }
    default: {
        std::string text = input.Rest();
        std::unique_ptr<char[]> name(new char[text.size() + 1]);
        memcpy(name.get(), text.data(), text.size());
        name[text.size()] = 0;
        std::string shown(name.get());
        CheckEntry((uintptr_t)name.get(), RuleMember(shown), nullptr, "name " + Shown(shown));
        break;
    }
    }
    return 0;
}
