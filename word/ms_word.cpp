// COM identity of CMSWord: its QueryInterface table, its create function, its event sinks and
// the process-wide instance pointer of its timers.
#include "word/ms_word.h"

CMSWord* g_pWordAddin = nullptr;
int g_bLastInHeader = 0;

namespace {
// Sink 1 binds the four handlers; sink 2 is connected with an empty table.
const kal::CDispEventSinkT<CMSWord>::Entry kWordSinkEntries[] = {
    KAL_SINK_ENTRY(CMSWord, kal::kWordEvtDocumentOpen, &CMSWord::DocumentOpen),
    KAL_SINK_ENTRY(CMSWord, kal::kWordEvtNewDocument, &CMSWord::NewDocument),
    KAL_SINK_ENTRY(CMSWord, kal::kWordEvtDocumentChange, &CMSWord::DocumentChange),
    KAL_SINK_ENTRY(CMSWord, kal::kWordEvtWindowSelectionChange, &CMSWord::WindowSelectionChange),
};
}  // namespace

CMSWord::CMSWord()
    : m_sink1(this, 1, kal::DIID_Word_ApplicationEvents2, kWordSinkEntries),
      m_sink2(this, 2, kal::DIID_Word_ApplicationEvents2) {}

CMSWord::~CMSWord() {
  // The timers reach the add-in through g_pWordAddin; a destroyed instance must not be reached.
  if (g_pWordAddin == this) g_pWordAddin = nullptr;
}

KAL_ADDIN_COM_IDENTITY(CMSWord, IMSWord)
