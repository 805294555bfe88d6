// FUNCTION and SUB bookkeeping: parameter and local descriptors.
#pragma once
#include <cstdint>

constexpr int LOCALS_MAX = 16384;
constexpr int PROCEDURES_MAX = 4096;

extern uint8_t localType[LOCALS_MAX];
extern int32_t localAddr[LOCALS_MAX];
extern uint16_t fsStart[PROCEDURES_MAX];
extern int32_t fsPointer;
extern int32_t nextLocal;

// Puts the descriptor tables into their state before any definition.
void reset_procedures();
