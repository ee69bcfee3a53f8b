#!/usr/bin/env bash
# Registers KalMsAddin.dll with regsvr32 in the private Wine prefix and shows what it wrote:
# the application id, ProgIDs, class keys, the Office Addins keys and the type library.
set -euo pipefail
. "$(dirname "$0")/../lib.sh"

dll=$(winpath "$BIN/KalMsAddin.dll")
report=$OUT/registration.txt
: >"$report"
# Run as on a Chinese Windows (ANSI code page 936): the type library's help strings are ANSI
# text, and the registry query's output comes back in that code page.
kal_wine_zh() {
  (export LC_ALL=zh_CN.UTF-8; kal_wine "$@") 2> >(grep -v 'setlocale' >&2)
}
show() {  # show KEY: prints one registry key (and its subkeys) to the screen and the report
  kal_wine_zh reg query "$1" /s 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r' |
    sed '/^$/d' | tee -a "$report" || echo "  (missing) $1" | tee -a "$report"
}

say "regsvr32 /s KalMsAddin.dll"
rc=0
kal_wine_zh regsvr32 /s "$dll" || rc=$?
check "regsvr32 /s KalMsAddin.dll" "exit 0" "exit $rc"

say "application id"
show 'HKCR\AppID\{3CB29F4E-5A9A-4EA1-A1E8-780028C14832}'
show 'HKCR\AppID\KalMsAddin.DLL'

for cls in MSWord:{4490F73D-8C32-41fa-B8EA-9C2930E88AE2} \
           MSExcel:{AB07AE0D-B832-49d0-BE24-EECCF49645C8} \
           MSPowerPoint:{4C671C95-9707-43b2-BCAF-1B55A41B5A90}; do
  name=${cls%%:*}
  clsid=${cls#*:}
  say "class $name"
  show "HKCR\\KalMsAddin.$name.1"
  show "HKCR\\KalMsAddin.$name"
  show "HKCR\\CLSID\\$clsid"
done

say "Office Addins keys (LoadBehavior 3: loaded at every start)"
for app in Word:MSWord Excel:MSExcel PowerPoint:MSPowerPoint; do
  show "HKLM\\Software\\Microsoft\\Office\\${app%%:*}\\Addins\\KalMsAddin.${app#*:}"
done

say "type library KalMsAddinLib"
show 'HKCR\TypeLib\{805A108E-A78A-417E-8C9D-55BE75617D33}'

echo
echo "registry content saved to $report (the DLL stays registered for the next demo steps)"
for app in Word:MSWord Excel:MSExcel PowerPoint:MSPowerPoint; do
  check "Office ${app%%:*} Addins key, LoadBehavior 3" yes "$(kal_wine reg query \
    "HKLM\\Software\\Microsoft\\Office\\${app%%:*}\\Addins\\KalMsAddin.${app#*:}" /v LoadBehavior 2>/dev/null |
    grep -q 'REG_DWORD.*0x3' && echo yes || echo no)"
done
