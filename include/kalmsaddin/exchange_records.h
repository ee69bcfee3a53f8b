// The records of the agent's shared sections, as the accessor CTavExchg passes them.
// This header is for every client module of the accessor: it includes nothing and builds with
// Microsoft's compiler, clang (either mode) and GCC. Records are byte-packed; their sizes are a
// cross-process format and are checked below.
#pragma once

#ifdef _WIN32
typedef wchar_t ExWChar;  // UTF-16 code unit as Windows spells it
#else
typedef char16_t ExWChar;
#endif

#pragma pack(push, 1)

// Protected-document process record.
struct _TAV_EXCHG_INFO {
  unsigned int infoId;        // key of AddInfo / GetInfo / DeleteInfo(unsigned int)
  unsigned int processId;     // key of the _doc operations
  unsigned char agentData1[1032];
  unsigned int readOnlyFlag;  // non-zero: the process's document is read-only
  unsigned int printFlag;     // non-zero: printing is allowed
  unsigned char agentData2[64];
};

struct _SMART_EXCHG_INFO {
  unsigned int processId;
  unsigned char agentData[268];
};

struct _SANDBOX_EXCHG_INFO {
  unsigned int sandboxId;
  unsigned char agentData[256];
};

// Opaque records: copied whole, never interpreted.
struct _Encrypt_Policy { unsigned char data[2088]; };
struct _MultiKey_Policy { unsigned char data[544]; };
struct _Signature_Pro { unsigned char data[128]; };
struct _SHARE_CONTENTSECURITY { unsigned char data[73752]; };
struct CLIENTTERMINAL { unsigned char data[592]; };
struct UserOperate { unsigned char data[96]; };
struct LogRecordType { unsigned char data[68]; };

// Print and watermark policy, as the Office side reads it.
struct _PRINT_EXCHG_INFO {
  unsigned int tavFileWatermark;    // processes in tavInfo carry a watermark
  unsigned int smartFileWatermark;  // processes in smartInfo / protectScreen carry a watermark
  unsigned char agentData1[12];
  unsigned int readWatermark;       // a watermark is due at all
  unsigned char agentData2[544];
  unsigned int watermarkHorizontal;  // 0: slanted, non-zero: level
  ExWChar watermarkText[14390];      // NUL-terminated
  unsigned int watermodelflag;       // non-zero: Office add-ins draw no watermark
  unsigned int watermarkTransparency;
  ExWChar watermarkFont[30];
  unsigned int watermarkFontSize;
  ExWChar watermarkColor[20];        // "r,g,b"
  ExWChar showDate[2];               // "1": append the date
  ExWChar showUserName[2];           // "1": append the user names
  ExWChar showEmployeeId[2];         // "1": append the employee id
  unsigned char agentData3[140];
};

#pragma pack(pop)

static_assert(sizeof(ExWChar) == 2, "UTF-16 code unit");
static_assert(sizeof(_TAV_EXCHG_INFO) == 1112, "_TAV_EXCHG_INFO size");
static_assert(sizeof(_SMART_EXCHG_INFO) == 272, "_SMART_EXCHG_INFO size");
static_assert(sizeof(_SANDBOX_EXCHG_INFO) == 260, "_SANDBOX_EXCHG_INFO size");
static_assert(sizeof(_Encrypt_Policy) == 2088, "_Encrypt_Policy size");
static_assert(sizeof(_MultiKey_Policy) == 544, "_MultiKey_Policy size");
static_assert(sizeof(_Signature_Pro) == 128, "_Signature_Pro size");
static_assert(sizeof(_SHARE_CONTENTSECURITY) == 73752, "_SHARE_CONTENTSECURITY size");
static_assert(sizeof(CLIENTTERMINAL) == 592, "CLIENTTERMINAL size");
static_assert(sizeof(UserOperate) == 96, "UserOperate size");
static_assert(sizeof(LogRecordType) == 68, "LogRecordType size");
static_assert(sizeof(_PRINT_EXCHG_INFO) == 29616, "_PRINT_EXCHG_INFO size");
