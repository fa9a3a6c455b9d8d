# SPDX-License-Identifier: Apache-2.0
# bash completion for vekdi. tests/tool/help_docs_test.py checks that the
# options of each command match what `vekdi COMMAND --help` prints.
_vekdi() {
    local cur prev words cword
    _init_completion || return
    local commands="protect verify repair info"
    local common="-h --help -q --quiet -j --threads"
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            protect | verify | repair | info) command=${words[i]}; break ;;
        esac
    done
    case $prev in
        -j | --threads | -r | --redundancy | -b | --block-size) return ;;
        -R | --recursive) _filedir -d; return ;;
        -o | --output) _filedir; return ;;
    esac
    local options
    case $command in
        protect) options="$common -R --recursive -r --redundancy -o --output -b --block-size -f --force" ;;
        verify) options="$common -R --recursive -v --list -f --force --json" ;;
        repair) options="$common -R --recursive -o --output --in-place -f --force --json" ;;
        info) options="$common --json" ;;
        *)
            COMPREPLY=($(compgen -W "$commands -h --help --version -q --quiet -j --threads" -- "$cur"))
            return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ $command == info ]]; then
        _filedir vekdi
    else
        _filedir
    fi
} && complete -F _vekdi vekdi
