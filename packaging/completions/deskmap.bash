# bash completion for deskmap
_deskmap() {
    local cur prev words cword
    _init_completion || return

    local command="" word
    for word in "${words[@]:1:cword-1}"; do
        case $word in
            -*) ;;
            *) command=$word; break ;;
        esac
    done

    case $prev in
        --desktop)
            COMPREPLY=($(compgen -W "gnome kde sway i3 x11 demo" -- "$cur"))
            _filedir json # a scenario file
            return
            ;;
        --provider)
            if [[ $command == key ]]; then
                COMPREPLY=($(compgen -W "openai openrouter local" -- "$cur"))
            elif [[ $command == models ]]; then
                COMPREPLY=($(compgen -W "local" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "openai openrouter local codex cursor" -- "$cur"))
            fi
            return
            ;;
        --format)
            COMPREPLY=($(compgen -W "text json waybar polybar" -- "$cur"))
            return
            ;;
        --model)
            return # free text
            ;;
    esac

    local options arguments=""
    case $command in
        "") options="--help --version"
            arguments="spaces summarize watch key models check-client switch" ;;
        spaces) options="--json --desktop --help" ;;
        summarize) options="--provider --model --json --dry-run --desktop --help" ;;
        watch) options="--provider --model --format --json --once --desktop --help" ;;
        key) options="--provider --help"
             arguments="save clear status" ;;
        models) options="--provider --help" ;;
        check-client) options="--help"
                      arguments="codex cursor" ;;
        switch) options="--desktop --help" ;;
        *) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    else
        COMPREPLY=($(compgen -W "$arguments" -- "$cur"))
    fi
}
complete -F _deskmap deskmap
