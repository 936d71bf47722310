-- neovim 0.7's own language client against the real server, in a scratch
-- copy of a mod (see neovim-client.sh), started by the README's init.lua
-- lines. Writes what it saw to stdout, one observation a line; the shell
-- script compares them. Every path ends with qall! or cquit.
local out = {}
local function note(fmt, ...)
  table.insert(out, string.format(fmt, ...))
end
local function finish(status)
  io.stdout:write(table.concat(out, '\n') .. '\n')
  io.stdout:flush()
  vim.cmd(status == 0 and 'qall!' or ('cquit ' .. status))
end

-- How many times the server published diagnostics, by document.
local published = {}
local publish = vim.lsp.handlers['textDocument/publishDiagnostics']
vim.lsp.handlers['textDocument/publishDiagnostics'] = function(err, result, ctx, config)
  publish(err, result, ctx, config)
  published[result.uri] = (published[result.uri] or 0) + 1
end

local ok, err = pcall(function()
  vim.cmd('edit ++enc=cp1251 src/heroes.erm')
  local buf = vim.api.nvim_get_current_buf()
  -- neovim 0.7 lists a client only once it has answered initialize.
  local client
  vim.wait(10000, function()
    client = vim.lsp.buf_get_clients(buf)[1]
    return client and client.initialized
  end, 10)
  note('initialized: %s, encoding: %s', tostring(client and client.initialized), vim.bo[buf].fileencoding)
  if not client then
    finish(1)
  end

  -- The lines of diagnostics of the buffer: line, the text under the range, code.
  local function diagnostics()
    local lines = {}
    for _, d in ipairs(vim.diagnostic.get(buf)) do
      local text = vim.api.nvim_buf_get_lines(buf, d.lnum, d.lnum + 1, false)[1]
      table.insert(lines, string.format('%d|%s|%s', d.lnum + 1, text:sub(d.col + 1, d.end_col),
        d.code or d.user_data and d.user_data.lsp and d.user_data.lsp.code or ''))
    end
    table.sort(lines)
    return table.concat(lines, '; ')
  end
  -- Waits for the next diagnostics of the buffer that pass `test`.
  local uri = vim.uri_from_bufnr(buf)
  local seen = 0
  local function wait_diagnostics(test)
    vim.wait(10000, function()
      if (published[uri] or 0) == seen then
        return false
      end
      seen = published[uri]
      return test(diagnostics())
    end, 10)
    return diagnostics()
  end
  note('diagnostics on open: [%s]', wait_diagnostics(function() return true end))

  -- A line with Cyrillic and a character outside the Basic Multilingual
  -- Plane before the references, typed in: neovim sends it as an edit.
  local typed = '!!IF:M^Ж😀 (MOD)^;$HERO[3]$ $ВРЕМЯ$ @LEVEL@ $NOPE$;'
  vim.api.nvim_buf_set_lines(buf, 4, 4, false, { typed })
  note('diagnostics after the edit: [%s]', wait_diagnostics(function(d) return d:find('NOPE') end))
  vim.api.nvim_buf_set_text(buf, 4, #typed - 7, 4, #typed - 1, {})
  note('diagnostics after the fix: [%s]', wait_diagnostics(function(d) return not d:find('NOPE') end))

  -- Requests at the n-th character of the first `text` on line 5.
  local function at(text, n)
    vim.api.nvim_set_current_buf(buf)
    local line = vim.api.nvim_buf_get_lines(buf, 4, 5, false)[1]
    local col = line:find(text, 1, true) - 1
    vim.api.nvim_win_set_cursor(0, { 5, vim.str_byteindex(line:sub(col + 1), n) + col })
    return vim.lsp.util.make_position_params()
  end
  local function request(method, params)
    local replies, why = vim.lsp.buf_request_sync(buf, method, params, 5000)
    if not replies then
      note('%s: %s', method, tostring(why))
      return nil
    end
    local reply = replies[client.id] or {}
    if reply.error then
      note('%s: error %s', method, reply.error.message)
    end
    return reply.result
  end

  -- Hover: the range's text, the first and the last line of what it shows.
  for _, probe in ipairs({ { '(MOD)', 2 }, { '$HERO[3]$', 2 }, { '@LEVEL@', 1 } }) do
    local params = at(probe[1], probe[2])
    local hover = request('textDocument/hover', params)
    if hover then
      local line = vim.api.nvim_buf_get_lines(buf, 4, 5, false)[1]
      local first = vim.str_byteindex(line, hover.range.start.character, true)
      local last = vim.str_byteindex(line, hover.range['end'].character, true)
      local shown = {}
      for text in hover.contents.value:gmatch('[^\n]+') do
        if not text:find('^```') then
          table.insert(shown, text)
        end
      end
      note('hover %s: %s | %s', line:sub(first + 1, last), shown[1], shown[#shown])
    end
  end

  -- Definition: where neovim's jump lands, and the word there.
  for _, probe in ipairs({ { '$ВРЕМЯ$', 2 }, { '$HERO[3]$', 3 }, { '@LEVEL@', 1 } }) do
    local result = request('textDocument/definition', at(probe[1], probe[2]))
    local location = result and (result[1] or result)
    if location and location.uri then
      vim.lsp.util.jump_to_location(location, client.offset_encoding)
      local cursor = vim.api.nvim_win_get_cursor(0)
      note('definition %s: %s:%d:%d %s', probe[1], vim.fn.fnamemodify(vim.api.nvim_buf_get_name(0), ':.'),
        cursor[1], cursor[2] + 1, vim.fn.expand('<cword>'))
    else
      note('definition %s: %s', probe[1], vim.inspect(result))
    end
  end

  -- Completion: the labels with their values, after "(" and after "$".
  for _, probe in ipairs({ { '(MOD)', 1 }, { '$HERO[3]$', 1 } }) do
    local result = request('textDocument/completion', at(probe[1], probe[2]))
    local items = {}
    for _, item in ipairs(result and result.items or result or {}) do
      table.insert(items, item.label .. '=' .. (item.detail or ''))
    end
    table.sort(items)
    note('completion %s: %s', probe[1]:sub(1, 1), table.concat(items, ' '))
  end

  -- Rename a local, then a declared name across the mod; applied as
  -- neovim's rename applies them, to open and unopened files alike.
  for _, probe in ipairs({ { '$ВРЕМЯ$', 1, 'ПОКА' }, { '$HERO[3]$', 1, 'ГЕРОЙ' } }) do
    local params = at(probe[1], probe[2])
    params.newName = probe[3]
    local edit = request('textDocument/rename', params)
    if edit then
      vim.lsp.util.apply_workspace_edit(edit, client.offset_encoding)
    end
    note('renamed %s: %s', probe[1], vim.api.nvim_buf_get_lines(buf, 4, 5, false)[1])
  end

  -- The character that Windows-1251 lacks goes before writing every file.
  local line = vim.api.nvim_buf_get_lines(buf, 4, 5, false)[1]
  vim.api.nvim_buf_set_lines(buf, 4, 5, false, { (line:gsub('😀', '!')) })
  vim.cmd('silent wall')
  local modified = {}
  for _, b in ipairs(vim.api.nvim_list_bufs()) do
    if vim.api.nvim_buf_is_loaded(b) and vim.bo[b].modified then
      table.insert(modified, vim.api.nvim_buf_get_name(b))
    end
  end
  note('left unsaved: [%s]', table.concat(modified, ' '))
end)
if not ok then
  note('error: %s', err)
  finish(1)
end
finish(0)
