// The recorded accessors: the loads and stores of the simulated program, and
// the typed-value reads and writes made for the user, pass the memory
// alarms and the data events before they reach memory, and every program
// variable whose storage they touch gets an entry in its usage log.
#pragma once
#include <cstdint>

namespace vy {

struct FuncRec;
struct LocalRec;

enum : int { ACC_READ = 1, ACC_WRITE = 2 };

void RecordMemoryAccess(uint16_t address, int kind);

uint8_t recrdbyte(uint16_t address);
void recwrbyte(uint16_t address, uint8_t value);
uint16_t recrdword(uint16_t address);
void recwrword(uint16_t address, uint16_t value);
uint32_t recrdlong(uint16_t address);
void recwrlong(uint16_t address, uint32_t value);
uint16_t recgetword(uint16_t address);
void recputword(uint16_t address, uint16_t value);

// The usage log of a variable: its accesses in blocks of ten, with the
// counts of reads and writes over all blocks. Made on the first access;
// freed with the variable (the chain starts at the header).
struct UsageBlock {
    UsageBlock* next;
    uint8_t kind[10];         // ACC_READ or ACC_WRITE
    uint32_t line[10];        // source line of the access, or 0
    FuncRec* func[10];        // function of the access, or null
    uint32_t stamp[10];       // .time, or 0 without it
};
struct UsageLog {
    UsageBlock* first;
    uint16_t used;            // entries used in the current block
    uint32_t reads, writes;
    UsageBlock* current;
};

// Appends one access to a variable's log: the cycle stamp, and the function
// and line of the top frame (else of the line at or below the PC).
void logusage(LocalRec* rec, int kind);

// Which addresses the usage logs look at: bit 0 for the storage of a
// file-level variable, bit 1 for a variable of the top frame's function.
// An access elsewhere logs nothing; one here goes through logaccess.
extern uint8_t usagemap[65536];
inline bool usagewatched(uint16_t address) { return usagemap[address] != 0; }
void logaccess(uint16_t address, int kind);
// The file-level variables of the loaded program (after a load, or after
// the tables were freed) and the top frame (after it moved, was fixed, or
// another frame came on top) are marked again.
void variableschanged();
void framesmoved();

}  // namespace vy
