#include "mgproc.h"

#include "Assert.h"
#include "mgfold.h"

// Geometry that the whole family shares.
struct FamilyGeometry {
  uint32_t cRomWidthBits;
  uint32_t cCodePageSize;
  uint32_t cDataBankSize;
  uint32_t cBankShift;  // bankOfAddress is the address shifted right by this
  uint32_t cMaxProgramAddress;
  uint32_t cMaxDataAddress;
};

static const FamilyGeometry kFamilies[4] = {
    {14, 0x800, 0x80, 7, 0x1FFF, 0x1FF},       // Mirrow
    {16, 0x2000, 0x100, 8, 0xFFFF, 0xFFF},     // Quenby
    {12, 0x200, 0x20, 5, 0x7FF, 0x7F},         // Tarsel
    {8, 0x200000, 0x100, 8, 0x1FFFFF, 0xFFF},  // Halvern
};

// One device. The page count follows from the sizes; the data memory size is
// stored because one device (code 18) has less than its banks would hold.
struct ProcessorRow {
  const char* cName;
  CoreFamily cFamily;
  uint32_t cProgramMemorySize;
  uint32_t cDataMemorySize;
  uint32_t cNumDataBanks;
  uint32_t cGprFrom;  // lowest offset in a bank that is general-purpose RAM
};

static const ProcessorRow kProcessors[LAST_PROCESSOR] = {
    {"TRSL001", CORE_TARSEL, 0x0400, 0x080, 4, 0x08},   // 1
    {"TRSL002", CORE_TARSEL, 0x0400, 0x080, 4, 0x08},   // 2
    {"TRSL003", CORE_TARSEL, 0x0200, 0x020, 1, 0x07},   // 3
    {"TRSL004", CORE_TARSEL, 0x0200, 0x020, 1, 0x07},   // 4
    {"TRSL005", CORE_TARSEL, 0x0400, 0x040, 2, 0x07},   // 5
    {"TRSL006", CORE_TARSEL, 0x0400, 0x040, 2, 0x07},   // 6
    {"MRRW007", CORE_MIRROW, 0x0400, 0x100, 2, 0x20},   // 7
    {"MRRW008", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 8
    {"TRSL009", CORE_TARSEL, 0x0200, 0x020, 1, 0x07},   // 9
    {"TRSL010", CORE_TARSEL, 0x0400, 0x040, 2, 0x07},   // 10
    {"MRRW011", CORE_MIRROW, 0x0400, 0x100, 2, 0x20},   // 11
    {"MRRW012", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 12
    {"TRSL013", CORE_TARSEL, 0x0400, 0x040, 2, 0x07},   // 13
    {"MRRW014", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 14
    {"MRRW015", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 15
    {"MRRW016", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 16
    {"MRRW017", CORE_MIRROW, 0x0400, 0x100, 2, 0x20},   // 17
    {"TRSL018", CORE_TARSEL, 0x0400, 0x050, 3, 0x08},   // 18
    {"TRSL019", CORE_TARSEL, 0x0180, 0x020, 1, 0x08},   // 19
    {"TRSL020", CORE_TARSEL, 0x0200, 0x020, 1, 0x08},   // 20
    {"TRSL021", CORE_TARSEL, 0x0200, 0x020, 1, 0x08},   // 21
    {"TRSL022", CORE_TARSEL, 0x0200, 0x020, 1, 0x08},   // 22
    {"TRSL023", CORE_TARSEL, 0x0200, 0x020, 1, 0x08},   // 23
    {"TRSL024", CORE_TARSEL, 0x0200, 0x020, 1, 0x08},   // 24
    {"MRRW025", CORE_MIRROW, 0x0200, 0x100, 2, 0x20},   // 25
    {"MRRW026", CORE_MIRROW, 0x0400, 0x100, 2, 0x20},   // 26
    {"MRRW027", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 27
    {"TRSL028", CORE_TARSEL, 0x0200, 0x020, 1, 0x08},   // 28
    {"TRSL029", CORE_TARSEL, 0x0400, 0x020, 1, 0x08},   // 29
    {"TRSL030", CORE_TARSEL, 0x0400, 0x020, 1, 0x08},   // 30
    {"TRSL031", CORE_TARSEL, 0x0800, 0x080, 4, 0x08},   // 31
    {"TRSL032", CORE_TARSEL, 0x0800, 0x080, 4, 0x08},   // 32
    {"TRSL033", CORE_TARSEL, 0x0800, 0x080, 4, 0x07},   // 33
    {"TRSL034", CORE_TARSEL, 0x0800, 0x080, 4, 0x07},   // 34
    {"MRRW035", CORE_MIRROW, 0x0400, 0x100, 2, 0x20},   // 35
    {"MRRW036", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 36
    {"MRRW037", CORE_MIRROW, 0x0200, 0x100, 2, 0x20},   // 37
    {"MRRW038", CORE_MIRROW, 0x0200, 0x100, 2, 0x20},   // 38
    {"MRRW039", CORE_MIRROW, 0x0400, 0x100, 2, 0x20},   // 39
    {"MRRW040", CORE_MIRROW, 0x0400, 0x100, 2, 0x20},   // 40
    {"MRRW041", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 41
    {"MRRW042", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 42
    {"MRRW043", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 43
    {"MRRW044", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 44
    {"MRRW045", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 45
    {"MRRW046", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 46
    {"MRRW047", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 47
    {"MRRW048", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 48
    {"MRRW049", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 49
    {"MRRW050", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 50
    {"MRRW051", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 51
    {"MRRW052", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 52
    {"MRRW053", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 53
    {"MRRW054", CORE_MIRROW, 0x2000, 0x200, 4, 0x20},   // 54
    {"MRRW055", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 55
    {"MRRW056", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 56
    {"MRRW057", CORE_MIRROW, 0x2000, 0x200, 4, 0x20},   // 57
    {"MRRW058", CORE_MIRROW, 0x0400, 0x100, 2, 0x20},   // 58
    {"MRRW059", CORE_MIRROW, 0x0200, 0x100, 2, 0x20},   // 59
    {"MRRW060", CORE_MIRROW, 0x0400, 0x100, 2, 0x20},   // 60
    {"MRRW061", CORE_MIRROW, 0x0400, 0x100, 2, 0x20},   // 61
    {"MRRW062", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 62
    {"MRRW063", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 63
    {"MRRW064", CORE_MIRROW, 0x0800, 0x200, 4, 0x20},   // 64
    {"MRRW065", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 65
    {"MRRW066", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 66
    {"MRRW067", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 67
    {"MRRW068", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 68
    {"MRRW069", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 69
    {"MRRW070", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 70
    {"MRRW071", CORE_MIRROW, 0x1800, 0x200, 4, 0x20},   // 71
    {"MRRW072", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 72
    {"MRRW073", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 73
    {"MRRW074", CORE_MIRROW, 0x2000, 0x200, 4, 0x20},   // 74
    {"MRRW075", CORE_MIRROW, 0x1800, 0x200, 4, 0x20},   // 75
    {"MRRW076", CORE_MIRROW, 0x2000, 0x200, 4, 0x20},   // 76
    {"MRRW077", CORE_MIRROW, 0x0800, 0x200, 4, 0x20},   // 77
    {"MRRW078", CORE_MIRROW, 0x1000, 0x200, 4, 0x20},   // 78
    {"MRRW079", CORE_MIRROW, 0x1000, 0x200, 4, 0x20},   // 79
    {"MRRW080", CORE_MIRROW, 0x1000, 0x200, 4, 0x20},   // 80
    {"MRRW081", CORE_MIRROW, 0x0400, 0x100, 2, 0x0C},   // 81
    {"MRRW082", CORE_MIRROW, 0x1000, 0x200, 4, 0x20},   // 82
    {"MRRW083", CORE_MIRROW, 0x1000, 0x200, 4, 0x20},   // 83
    {"MRRW084", CORE_MIRROW, 0x1000, 0x200, 4, 0x20},   // 84
    {"MRRW085", CORE_MIRROW, 0x2000, 0x200, 4, 0x20},   // 85
    {"MRRW086", CORE_MIRROW, 0x0200, 0x100, 2, 0x20},   // 86
    {"MRRW087", CORE_MIRROW, 0x0400, 0x100, 2, 0x20},   // 87
    {"MRRW088", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 88
    {"TRSL089", CORE_TARSEL, 0x0200, 0x020, 1, 0x08},   // 89
    {"TRSL090", CORE_TARSEL, 0x0200, 0x020, 1, 0x08},   // 90
    {"TRSL091", CORE_TARSEL, 0x0200, 0x020, 1, 0x08},   // 91
    {"TRSL092", CORE_TARSEL, 0x0200, 0x020, 1, 0x08},   // 92
    {"TRSL093", CORE_TARSEL, 0x0400, 0x020, 1, 0x08},   // 93
    {"TRSL094", CORE_TARSEL, 0x0800, 0x080, 4, 0x08},   // 94
    {"TRSL095", CORE_TARSEL, 0x0800, 0x080, 4, 0x08},   // 95
    {"TRSL096", CORE_TARSEL, 0x0800, 0x080, 4, 0x08},   // 96
    {"TRSL097", CORE_TARSEL, 0x0800, 0x080, 4, 0x07},   // 97
    {"TRSL098", CORE_TARSEL, 0x0800, 0x080, 4, 0x07},   // 98
    {"MRRW099", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 99
    {"MRRW100", CORE_MIRROW, 0x0200, 0x100, 2, 0x20},   // 100
    {"MRRW101", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 101
    {"MRRW102", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 102
    {"MRRW103", CORE_MIRROW, 0x1000, 0x100, 2, 0x20},   // 103
    {"MRRW104", CORE_MIRROW, 0x0800, 0x100, 2, 0x20},   // 104
    {"MRRW105", CORE_MIRROW, 0x0200, 0x100, 2, 0x0C},   // 105
    {"MRRW106", CORE_MIRROW, 0x0400, 0x100, 2, 0x0C},   // 106
    {"MRRW107", CORE_MIRROW, 0x0400, 0x200, 4, 0x20},   // 107
    {"MRRW108", CORE_MIRROW, 0x0800, 0x200, 4, 0x20},   // 108
    {"MRRW109", CORE_MIRROW, 0x2000, 0x200, 4, 0x20},   // 109
    {"MRRW110", CORE_MIRROW, 0x2000, 0x200, 4, 0x20},   // 110
    {"MRRW111", CORE_MIRROW, 0x0200, 0x100, 2, 0x0C},   // 111
    {"MRRW112", CORE_MIRROW, 0x0400, 0x100, 2, 0x0C},   // 112
    {"MRRW113", CORE_MIRROW, 0x0400, 0x100, 2, 0x0C},   // 113
    {"MRRW114", CORE_MIRROW, 0x0800, 0x200, 4, 0x20},   // 114
    {"MRRW115", CORE_MIRROW, 0x0800, 0x200, 4, 0x20},   // 115
    {"MRRW116", CORE_MIRROW, 0x0800, 0x200, 4, 0x20},   // 116
    {"MRRW117", CORE_MIRROW, 0x1000, 0x200, 4, 0x20},   // 117
    {"MRRW118", CORE_MIRROW, 0x1000, 0x200, 4, 0x20},   // 118
    {"MRRW119", CORE_MIRROW, 0x2000, 0x200, 4, 0x20},   // 119
    {"MRRW120", CORE_MIRROW, 0x2000, 0x200, 4, 0x20},   // 120
    {"TRSL121", CORE_TARSEL, 0x0200, 0x020, 1, 0x08},   // 121
    {"QNBY122", CORE_QUENBY, 0x0800, 0x400, 4, 0x20},   // 122
    {"QNBY123", CORE_QUENBY, 0x0800, 0x400, 4, 0x20},   // 123
    {"QNBY124", CORE_QUENBY, 0x1000, 0x400, 4, 0x20},   // 124
    {"QNBY125", CORE_QUENBY, 0x2000, 0x400, 4, 0x20},   // 125
    {"QNBY126", CORE_QUENBY, 0x2000, 0x800, 8, 0x20},   // 126
    {"QNBY127", CORE_QUENBY, 0x4000, 0x800, 8, 0x20},   // 127
    {"QNBY128", CORE_QUENBY, 0x4000, 0x800, 8, 0x20},   // 128
    {"QNBY129", CORE_QUENBY, 0x4000, 0x800, 8, 0x20},   // 129
    {"QNBY130", CORE_QUENBY, 0x4000, 0x800, 8, 0x20},   // 130
    {"QNBY131", CORE_QUENBY, 0x0800, 0x400, 4, 0x20},   // 131
    {"QNBY132", CORE_QUENBY, 0x1000, 0x400, 4, 0x20},   // 132
    {"HLVN133", CORE_HALVERN, 0x4000, 0x200, 2, 0x00},  // 133
    {"HLVN134", CORE_HALVERN, 0x8000, 0x600, 6, 0x00},  // 134
    {"HLVN135", CORE_HALVERN, 0x4000, 0x200, 2, 0x00},  // 135
    {"HLVN136", CORE_HALVERN, 0x8000, 0x600, 6, 0x00},  // 136
    {"HLVN137", CORE_HALVERN, 0x8000, 0x600, 6, 0x00},  // 137
    {"HLVN138", CORE_HALVERN, 0x8000, 0x600, 6, 0x00},  // 138
    {"HLVN139", CORE_HALVERN, 0x8000, 0x600, 6, 0x00},  // 139
};

static const ProcessorRow& row(ProcessorType processor) {
  ZV_ASSERT(processor >= FIRST_PROCESSOR && processor <= LAST_PROCESSOR);
  return kProcessors[processor - FIRST_PROCESSOR];
}

static const FamilyGeometry& geometry(ProcessorType processor) {
  return kFamilies[row(processor).cFamily - CORE_MIRROW];
}

CoreFamily processorFamily(ProcessorType processor) { return row(processor).cFamily; }

const char* processorName(ProcessorType processor) { return row(processor).cName; }

uint16_t processorToProcType(ProcessorType processor) {
  return static_cast<uint16_t>(row(processor).cFamily * 0x1000u + processor);
}

// The id names the code in its low byte, so the lookup is direct; the id must
// also carry the code's family in its top digit and nothing in bits 8 to 11.
static ProcessorType processorOfId(uint32_t procType) {
  uint32_t id = procType & 0xFFFFu;
  uint32_t code = id & 0xFFu;
  if (code < FIRST_PROCESSOR || code > LAST_PROCESSOR) return 0;
  ProcessorType processor = static_cast<ProcessorType>(code);
  return processorToProcType(processor) == id ? processor : 0;
}

ProcessorType procTypeToProcessor(uint32_t procType) {
  ProcessorType processor = processorOfId(procType);
  ZV_ASSERT(processor != 0);
  return processor;
}

bool isKnownProcType(uint32_t procType) { return processorOfId(procType) != 0; }

int processorFromName(const std::string& name, ProcessorType& processor) {
  for (uint32_t code = FIRST_PROCESSOR; code <= LAST_PROCESSOR; ++code) {
    if (equalsFoldingAscii(name, kProcessors[code - FIRST_PROCESSOR].cName)) {
      processor = static_cast<ProcessorType>(code);
      return 1;
    }
  }
  return 0;
}

uint32_t bankOfAddress(ProcessorType processor, uint32_t address) {
  return address >> geometry(processor).cBankShift;
}

uint32_t offsetInBank(ProcessorType processor, uint32_t address) {
  return address & (geometry(processor).cDataBankSize - 1);
}

bool isGpr(ProcessorType processor, uint32_t address) {
  return offsetInBank(processor, address) >= row(processor).cGprFrom;
}

uint32_t romWidthBits(ProcessorType processor) { return geometry(processor).cRomWidthBits; }

uint32_t ramWidthBits(ProcessorType processor) {
  (void)row(processor);
  return 8;
}

uint32_t programMemorySize(ProcessorType processor) { return row(processor).cProgramMemorySize; }

uint32_t codePageSize(ProcessorType processor) { return geometry(processor).cCodePageSize; }

uint32_t numCodePages(ProcessorType processor) {
  uint32_t page = codePageSize(processor);
  return (programMemorySize(processor) + page - 1) / page;
}

uint32_t maxProgramAddress(ProcessorType processor) {
  return geometry(processor).cMaxProgramAddress;
}

uint32_t dataMemorySize(ProcessorType processor) { return row(processor).cDataMemorySize; }

uint32_t dataBankSize(ProcessorType processor) { return geometry(processor).cDataBankSize; }

uint32_t numDataBanks(ProcessorType processor) { return row(processor).cNumDataBanks; }

uint32_t maxDataAddress(ProcessorType processor) { return geometry(processor).cMaxDataAddress; }
