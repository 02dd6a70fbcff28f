#!/bin/sh
# The libraries' dependencies run one way: platform; store (the tutor's crash
# safety) on platform; coding on store; records on coding; bank on platform;
# app on all of them; app/widgets on app;
# the review (the instructor's review) on records, bank, coding and platform,
# beside app, in rooms of its own: model at the bottom; write, intake and
# checks on model; marking on checks, write and model; report on marking; the face
# (review/) on every room; the command line (review/cli) on the face; the
# window (review/widgets) on the command line.
# Fails, naming each offending line, when a folder includes a header from a
# folder it must not use.
#   check_includes.sh SOURCE_DIR           check the tree
#   check_includes.sh --planted SOURCE_DIR check that a planted upward include
#                                          in each lower folder is caught
set -u

# The folders a folder may include from, itself first.
review_rooms="review/report review/marking review/checks review/intake review/write review/model"
allowed() {
    case $1 in
    platform) echo "platform" ;;
    store) echo "store platform" ;;
    coding) echo "coding store platform" ;;
    records) echo "records coding store platform" ;;
    bank) echo "bank platform" ;;
    app) echo "app bank records coding store platform" ;;
    app/widgets) echo "app/widgets app bank records coding store platform" ;;
    review/model) echo "review/model records bank coding platform" ;;
    review/write) echo "review/write review/model records bank coding platform" ;;
    review/intake) echo "review/intake review/model records bank coding platform" ;;
    review/checks) echo "review/checks review/model records bank coding platform" ;;
    review/marking) echo "review/marking review/checks review/write review/model records bank coding platform" ;;
    review/report) echo "review/report review/marking review/write review/model records bank coding platform" ;;
    review) echo "review $review_rooms records bank coding platform" ;;
    review/cli) echo "review/cli review $review_rooms records bank coding platform" ;;
    review/widgets) echo "review/widgets review/cli review $review_rooms records bank coding platform" ;;
    review/*) echo "$1" ;; # a new room: named here before it may use anything
    esac
}

check() {
    root=$1
    bad=0
    dirs="platform store coding records bank app app/widgets review"
    for d in "$root"/review/*/; do
        [ -d "$d" ] && dirs="$dirs review/$(basename "$d")"
    done
    for dir in $dirs; do
        for f in "$root/$dir"/*.h "$root/$dir"/*.cpp; do
            [ -f "$f" ] || continue
            # The folder of each header included: "app/widgets/x.h" -> app/widgets.
            for inc in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]\([^">]*\)\/[^">/]*[">].*/\1/p' "$f"); do
                case $inc in
                platform | platform/* | store | store/* | coding | coding/* | records | records/* | bank | bank/* | app | app/* | review | review/*) ;;
                *) continue ;; # a system or library header
                esac
                ok=no
                for a in $(allowed "$dir"); do
                    [ "$inc" = "$a" ] && ok=yes
                done
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
        review/intake/load.cpp:app/tutor.h app/tutor.cpp:review/review.h \
        records/record_reader.cpp:review/model/model.h review/cli/main.cpp:app/widgets/main_window.h \
        review/report/html_page.cpp:review/widgets/desk.h review/widgets/desk.cpp:app/widgets/main_window.h \
        review/model/model.h:review/review.h review/model/ids.h:review/intake/stages.h \
        review/write/output.cpp:review/intake/stages.h review/write/destination.cpp:review/marking/marks_file.h \
        review/intake/load.cpp:review/checks/checks.h review/intake/inputs.cpp:review/write/output.h \
        review/checks/checks.cpp:review/intake/stages.h review/marking/marks_file.cpp:review/intake/stages.h \
        review/marking/marks.cpp:review/report/rows.h review/checks/similar.cpp:review/marking/answer_groups.h review/report/rows.cpp:review/review.h \
        review/review.cpp:review/cli/cli.h review/cli/cli.cpp:review/widgets/desk.h \
        store/journal.cpp:records/layouts.h store/files.h:app/unrecorded_text.h \
        platform/replace_file.cpp:store/journal.h coding/query_file.cpp:records/session.h; do
        file=${plant%%:*}
        header=${plant#*:}
        rm -rf "$tmp/tree"
        mkdir -p "$tmp/tree"
        cp -R "$src/platform" "$src/store" "$src/coding" "$src/records" "$src/bank" "$src/app" "$src/review" "$tmp/tree/"
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
    cp -R "$src/platform" "$src/store" "$src/coding" "$src/records" "$src/bank" "$src/app" "$src/review" "$tmp/tree/"
    check "$tmp/tree" || status=1
    exit $status
fi

check "${1:?usage: check_includes.sh SOURCE_DIR}"
