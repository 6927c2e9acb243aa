#!/usr/bin/env bash
# qv410's bash completion through its completion function, the way bash calls it: the line up to
# the cursor, bash's own split of it into words (which breaks at "=" and ":"), and the replies
# read back after bash would cut them to the last word. Run with "with" (the bash-completion
# package loaded first) or "without" (a bare bash).
# usage: completion_test.sh COMPLETION_FILE with|without
set -u
file=$1
mode=$2
failures=0

if [[ $mode == with ]]; then
    for candidate in /usr/share/bash-completion/bash_completion /etc/bash_completion; do
        if [[ -r $candidate ]]; then
            # shellcheck disable=SC1090
            source "$candidate"
            break
        fi
    done
    if ! declare -F _init_completion >/dev/null; then
        echo "SKIP: the bash-completion package is not installed"
        exit 77
    fi
else
    if declare -F _init_completion >/dev/null; then
        echo "a bare bash should not have the package loaded" >&2
        exit 1
    fi
fi
# shellcheck disable=SC1090
source "$file"
COMP_WORDBREAKS=${COMP_WORDBREAKS:-$' \t\n"\'><=;|&(:'}

# Completes line (cursor at its end); prints the replies sorted, one line, and what the function
# wrote to standard error.
complete_line() {
    local line=$1
    COMP_LINE=$line
    COMP_POINT=${#line}
    # Bash's split: white space separates words, and each break character is a word of its own.
    local spaced=${line//=/ = }
    spaced=${spaced//:/ : }
    read -ra COMP_WORDS <<<"$spaced"
    [[ $line == *[[:space:]] ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    local errors
    errors=$({ _qv410 qv410 "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"; } 2>&1 >/dev/null)
    _qv410 qv410 "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
    [[ -n $errors ]] && printf ' [stderr: %s]' "$errors"
}

expect() {
    local line=$1 wanted=$2 got
    got=$(complete_line "$line")
    if [[ $got != "$wanted" ]]; then
        echo "FAIL ($mode): '$line' completed to '$got', expected '$wanted'"
        failures=$((failures + 1))
    fi
}

expect "qv410 " "apply beep check dump factory-reset firmware head-check info learn list metrics print-text self-test set settings"
expect "qv410 se" "self-test set settings"
expect "qv410 --js" "--json"
expect "qv410 --ser" "--serial"
expect "qv410 --serial QV1 l" "learn list"
expect "qv410 --serial QV1 set paperType=bl" "black-mark"
# The value after "=" only: bash puts it after "paperType=" itself.
expect "qv410 set paperType=la" "label"
expect "qv410 set printType=th" "thermal"
expect "qv410 set printType=" "ribbons thermal"
expect "qv410 set specialLabel=o" "off on"
expect "qv410 set labelHeight=3" ""
expect "qv410 set pap" "paperType="
expect "qv410 set darkness=4 print" "printSpeed= printToStop= printType="
expect "qv410 beep o" "off on"
expect "qv410 learn " "label paper"
expect "qv410 print-text --w" "--width"
expect "qv410 check --w" ""
expect "qv410 --device /dev/nul" "/dev/null"
expect "qv410 --al" "--all"
expect "qv410 ap" "apply"
expect "qv410 me" "metrics"
expect "qv410 apply --dr" "--dry-run"
expect "qv410 apply /dev/nul" "/dev/null"
expect "qv410 settings --" "--all --device --force --help --json --save --serial --simulator --version --yes"
expect "qv410 metrics --o" "--output"
expect "qv410 metrics --output /dev/nul" "/dev/null"

if ((failures > 0)); then
    exit 1
fi
echo "completion $mode the package: every case held"
