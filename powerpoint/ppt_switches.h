// The PowerPoint watermark switches in the agent's folder, read on every call: [OEM]
// PowerpntWM of KalConfig.ini (watermarking at all) and [ORCHARD] PPTWM of
// KalEspecialConfig.ini (stamp, or only remove). Both default to on.
#pragma once

int IsEnablePowerpntWM();
// Also writes "IsEnablePowerpntWatermark: ini file show is :%d." whatever the trace switch says.
bool IsEnablePowerpntWatermark();
