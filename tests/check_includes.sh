#!/bin/sh
# The libraries' dependencies run one way: platform; coding on platform;
# records on coding; bank on platform; app on all of them; app/widgets on app;
# review (the instructor's review) on records, bank, coding and platform, beside
# app, and only its own programs (review/*/) include it.
# Fails, naming each offending line, when a folder includes a header from a
# folder it must not use.
#   check_includes.sh SOURCE_DIR           check the tree
#   check_includes.sh --planted SOURCE_DIR check that a planted upward include
#                                          in each lower folder is caught
set -u

# The folders a folder may include from, itself first.
allowed() {
    case $1 in
    platform) echo "platform" ;;
    coding) echo "coding platform" ;;
    records) echo "records coding platform" ;;
    bank) echo "bank platform" ;;
    app) echo "app bank records coding platform" ;;
    app/widgets) echo "app/widgets app bank records coding platform" ;;
    review) echo "review records bank coding platform" ;;
    review/*) echo "$1 review records bank coding platform" ;;
    esac
}

check() {
    root=$1
    bad=0
    dirs="platform coding records bank app app/widgets review"
    for d in "$root"/review/*/; do
        [ -d "$d" ] && dirs="$dirs review/$(basename "$d")"
    done
    for dir in $dirs; do
        for f in "$root/$dir"/*.h "$root/$dir"/*.cpp; do
            [ -f "$f" ] || continue
            # The folder of each header included: "app/widgets/x.h" -> app/widgets.
            for inc in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]\([^">]*\)\/[^">/]*[">].*/\1/p' "$f"); do
                case $inc in
                platform | platform/* | coding | coding/* | records | records/* | bank | bank/* | app | app/* | review | review/*) ;;
                *) continue ;; # a system or library header
                esac
                ok=no
                for a in $(allowed "$dir"); do
                    [ "$inc" = "$a" ] && ok=yes
                done
                # A program of the review may include any of the review's own folders.
                case $dir/$inc in review/*/review/*) ok=yes ;; esac
                if [ $ok = no ]; then
                    echo "${f#"$root"/}: includes from $inc/, which $dir/ must not use"
                    bad=1
                fi
            done
        done
    done
    return $bad
}

if [ "${1:-}" = "--planted" ]; then
    src=${2:?usage: check_includes.sh --planted SOURCE_DIR}
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    status=0
    for plant in platform/text.cpp:app/tutor.h coding/code_scheme.h:app/view.h records/layouts.cpp:bank/cursor.h \
        bank/cursor.cpp:coding/code_scheme.h app/tutor.cpp:app/widgets/main_window.h \
        review/load.cpp:app/tutor.h app/tutor.cpp:review/review.h records/record_reader.cpp:review/model.h \
        review/cli/main.cpp:app/widgets/main_window.h review/html.cpp:review/widgets/desk.h \
        review/widgets/desk.cpp:app/widgets/main_window.h; do
        file=${plant%%:*}
        header=${plant#*:}
        rm -rf "$tmp/tree"
        mkdir -p "$tmp/tree"
        cp -R "$src/platform" "$src/coding" "$src/records" "$src/bank" "$src/app" "$src/review" "$tmp/tree/"
        printf '#include "%s"\n' "$header" >>"$tmp/tree/$file"
        if out=$(check "$tmp/tree"); then
            echo "not caught: $file including $header"
            status=1
        else
            echo "caught: $out"
        fi
    done
    # The unchanged copy passes, so each failure above was the planted line.
    rm -rf "$tmp/tree"
    mkdir -p "$tmp/tree"
    cp -R "$src/platform" "$src/coding" "$src/records" "$src/bank" "$src/app" "$src/review" "$tmp/tree/"
    check "$tmp/tree" || status=1
    exit $status
fi

check "${1:?usage: check_includes.sh SOURCE_DIR}"
