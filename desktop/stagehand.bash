# Bash completion for stagehand: its options, and for the title (and --cd) folders and disc
# images; files for the options that name one.
_stagehand() {
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        --screen)
            COMPREPLY=($(compgen -W '640x480 800x600 1024x768' -- "$cur"))
            return ;;
        --cd)
            _stagehand_titles
            return ;;
        --save-dir)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        --input | --trace | --audio-out)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--library --window --screen --cd --save-dir --allow-programs --headless
            --input --trace --audio-out --check --version --help' -- "$cur"))
        return
    fi
    _stagehand_titles
}

# Folders and disc images (.iso, any case).
_stagehand_titles() {
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    COMPREPLY=($(compgen -d -- "$cur"))
    local file
    for file in $(compgen -f -- "$cur"); do
        [[ -f $file && ${file,,} == *.iso ]] && COMPREPLY+=("$file")
    done
}

complete -F _stagehand stagehand
