# shellcheck shell=bash
# Sourced: link_cjk_fonts links a CJK font (WenQuanYi Micro Hei, Debian's fonts-wqy-microhei)
# behind the fonts wine draws dialogs and message boxes with, in the prefix WINEPREFIX names.
# Wine's own Tahoma and "MS Shell Dlg" have no Chinese characters and wine falls back to no
# other font for them: without the link, a message box draws Chinese as empty boxes. (A real
# Windows desktop links its CJK fonts behind these by itself.)
link_cjk_fonts() {
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' face
    # Wine finds a linked font by its file name in the prefix's Fonts folder.
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    mkdir -p "$fonts"
    cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$fonts/" || return 1
    for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" \
        "Lucida Sans Unicode" "MS UI Gothic" SimSun; do
        wine reg add "$key" /v "$face" /t REG_MULTI_SZ \
            /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' \
            /f >/dev/null 2>&1 || return 1
    done
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v SimSun \
        /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1 || return 1
    # The system's fonts (message boxes, menus, captions) are stored with the character set of
    # the locale the prefix was made under: made under C or en_US they ask for ANSI_CHARSET, and a
    # program started later under zh_CN gets a Latin font for its boxes that no link reaches.
    # DEFAULT_CHARSET (byte 23 of the 92-byte LOGFONTW) lets each start choose by its own code
    # page.
    local metrics='HKCU\Control Panel\Desktop\WindowMetrics' name blob
    for name in CaptionFont SmCaptionFont MenuFont StatusFont MessageFont IconFont; do
        blob=$(wine reg query "$metrics" /v "$name" 2>/dev/null | tr -d '\r' |
            awk -v n="$name" '$1 == n && $2 == "REG_BINARY" { print $3 }') || true
        if ! [[ $blob =~ ^[0-9A-Fa-f]{184}$ ]]; then
            echo "link_cjk_fonts: no font $name in the prefix's window metrics" >&2
            return 1
        fi
        wine reg add "$metrics" /v "$name" /t REG_BINARY /d "${blob:0:46}01${blob:48}" \
            /f >/dev/null 2>&1 || return 1
    done
}
