# What follows the Windows cross-build: the program folder with every DLL it loads, the zip and
# the installer. Sourced by scripts/windows and by scripts/windows-installer-check, which tries
# these functions on small stand-in programs without waiting for Qt.
# shellcheck shell=bash

WIN_TRIPLET=x86_64-w64-mingw32
# mingw_runtime_path: where the C++ runtime of the posix-thread compilers the toolchain file
# names lies, and the thread library it imports, as a search path. Asked when needed, not when
# this file is sourced: on a fresh machine the compilers are installed after that.
mingw_runtime_path() {
    echo "$(dirname "$($WIN_TRIPLET-g++-posix -print-file-name=libstdc++-6.dll)"):/usr/$WIN_TRIPLET/lib"
}

# pe_imports FILE: the DLL names FILE imports, one a line, as written in it.
pe_imports() {
    $WIN_TRIPLET-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'
}

# A DLL that comes with Windows: the MinGW sysroot has an import library for every one of them
# (libkernel32.a, libuxtheme.a, …), and none for a DLL we must ship. Not every one ends in .dll:
# the print spooler's is WINSPOOL.DRV, which Qt's printing imports.
is_system_dll() {
    local base=${1,,}
    base=${base%.*}
    case $base in api-ms-win-* | ext-ms-win-*) return 0 ;; esac
    [ -e "/usr/$WIN_TRIPLET/lib/lib$base.a" ]
}

# find_dll NAME DIR...: the first DIR holding NAME, whatever the case of its letters (Windows
# does not mind it, and the imports do not always match the files' names).
find_dll() {
    local name=$1 dir found
    shift
    for dir in "$@"; do
        [ -d "$dir" ] || continue
        found=$(find "$dir" -maxdepth 1 -type f -iname "$name" -print -quit)
        if [ -n "$found" ]; then
            echo "$found"
            return 0
        fi
    done
    return 1
}

# copy_dependencies DEST SEARCH_DIRS FILE...: copies into DEST every DLL the FILEs import,
# directly or through one another, that is not part of Windows, looked up in the
# colon-separated SEARCH_DIRS. The imports are read from the binaries themselves, so a library
# Qt links that nobody listed still comes along, and nothing unused does. Fails, naming it, on
# a DLL found nowhere.
copy_dependencies() {
    local dest=$1 search=$2 name path missing=0
    shift 2
    local dirs queue=("$@") seen=" "
    IFS=: read -r -a dirs <<<"$search"
    while [ ${#queue[@]} -gt 0 ]; do
        local file=${queue[0]}
        queue=("${queue[@]:1}")
        while IFS= read -r name; do
            [[ $seen == *" ${name,,} "* ]] && continue
            seen+="${name,,} "
            is_system_dll "$name" && continue
            if path=$(find_dll "$name" "$dest" "${dirs[@]}"); then
                [ "$(dirname "$path")" = "$dest" ] || cp "$path" "$dest/"
                queue+=("$dest/$(basename "$path")")
            else
                echo "$(basename "$file") imports $name, found neither in Windows nor in $search" >&2
                missing=1
            fi
        done < <(pe_imports "$file")
    done
    return $missing
}

# The plugins Tessaly loads at run time, which no import names: the platform (without it no
# window opens) and the style matching the system's look.
QT_PLUGINS=(platforms/qwindows.dll styles/qwindowsvistastyle.dll)

# write_qt_conf FOLDER: Qt takes its folders from where Qt6Core.dll is, as if it were in an
# installed Qt's bin\, so without this file it looks for plugins beside FOLDER's parent.
write_qt_conf() {
    printf '[Paths]\r\nPrefix = .\r\nPlugins = plugins\r\nTranslations = translations\r\n' \
        >"$1/qt.conf"
}

# The functions below are called where a failing command does not end the script (under `if`,
# `!` or `||`), so each step says itself when it failed.

# lay_out_program_folder BUILD QT FOLDER: installs the cross-built Tessaly into FOLDER and puts
# beside it what it needs from Qt and the compiler.
lay_out_program_folder() {
    local build=$1 qt=$2 folder=$3 plugin
    rm -rf "$folder"
    # Stripped, like the converter: its symbol table helps no one who runs it.
    cmake --install "$build" --prefix "$folder" --strip || return 1
    [ -e "$folder/data/convert.exe" ] || { echo "no data\\convert.exe in $folder" >&2; return 1; }
    for plugin in "${QT_PLUGINS[@]}"; do
        mkdir -p "$folder/plugins/$(dirname "$plugin")" || return 1
        cp "$qt/plugins/$plugin" "$folder/plugins/$plugin" || return 1
    done
    # The plugins import Qt's DLLs too; they are looked up beside the program, as Windows
    # does for a DLL the plugin loads.
    local search
    search=$qt/bin:$(mingw_runtime_path)
    copy_dependencies "$folder" "$search" "$folder/tessaly.exe" \
        "${QT_PLUGINS[@]/#/$folder/plugins/}" || return 1
    write_qt_conf "$folder" || return 1
    # The Chinese texts of the dialogs Qt draws (the buttons of a message box, the file
    # dialog's), from Debian's Qt translations of the same Qt version.
    mkdir -p "$folder/translations" || return 1
    cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$folder/translations/"
}

# project_version ROOT: the version the top-level CMakeLists.txt gives the project.
project_version() {
    sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' "$1/CMakeLists.txt" | head -n 1
}

# pack_zip FOLDER ZIP: the program folder, as the folder Tessaly, in a zip.
pack_zip() {
    local folder=$1 zip=$2
    rm -f "$zip"
    (cd "$(dirname "$folder")" && zip -qr -X "$zip" "$(basename "$folder")")
}

# build_installer ROOT FOLDER VERSION INSTALLER: the NSIS installer of the program folder. The
# files it installs and the uninstaller deletes are listed from the folder, one by one, so that
# uninstalling removes exactly what was installed and nothing a user put beside it.
build_installer() {
    local root=$1 folder=$2 version=$3 installer=$4 lists file dir status
    lists=$(mktemp -d) || return 1
    (
        cd "$folder" || exit 1
        # Installed folder by folder, the program folder itself first.
        find . -type d | sort | while IFS= read -r dir; do
            dir=${dir#./}
            if [ "$dir" = . ]; then echo "SetOutPath \"\$INSTDIR\""
            else echo "SetOutPath \"\$INSTDIR\\${dir//\//\\}\""; fi
            find "./$dir" -maxdepth 1 -type f | sort | while IFS= read -r file; do
                echo "File \"$folder/${file#./}\""
            done
        done >"$lists/install.nsh"
        find . -type f | sort | while IFS= read -r file; do
            file=${file#./}
            echo "Delete \"\$INSTDIR\\${file//\//\\}\""
        done >"$lists/uninstall.nsh"
        # Deepest first, and only when empty: a folder holding a user's file stays.
        find . -mindepth 1 -type d | sort -r | while IFS= read -r dir; do
            dir=${dir#./}
            echo "RMDir \"\$INSTDIR\\${dir//\//\\}\""
        done >>"$lists/uninstall.nsh"
    )
    local size
    size=$(du -sk "$folder" | cut -f1)
    [ -s "$lists/install.nsh" ] && [ -s "$lists/uninstall.nsh" ] || { rm -rf "$lists"; return 1; }
    makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DOUTFILE="$installer" \
        -DFILE_LISTS="$lists" -DSIZE_KB="$size" \
        "$root/packaging/windows/tessaly.nsi"
    status=$?
    rm -rf "$lists"
    return $status
}
