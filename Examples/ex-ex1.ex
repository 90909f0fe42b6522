defmodule Library.Loans do
  @moduledoc """
  Keeps track of books lent to members.
  Interpolation works here too: #{1 + 1}.
  """

  use GenServer
  require Logger

  @max_loans 3
  @type loan :: %{book: String.t(), member: atom(), days: pos_integer()}

  # Client API

  def start_link(opts \\ []) do
    GenServer.start_link(__MODULE__, %{}, Keyword.put_new(opts, :name, __MODULE__))
  end

  @doc "Lends `book` to `member` unless they already hold #{@max_loans} books."
  def lend(book, member, days \\ 14) when is_binary(book) and days > 0 do
    GenServer.call(__MODULE__, {:lend, book, member, days})
  end

  # Server callbacks

  @impl true
  def init(state), do: {:ok, state}

  @impl true
  def handle_call({:lend, book, member, days}, _from, loans) do
    held = loans |> Map.values() |> Enum.count(&(&1.member == member))

    cond do
      held >= @max_loans ->
        {:reply, {:error, :too_many}, loans}

      Map.has_key?(loans, book) ->
        {:reply, {:error, "#{book} is already lent"}, loans}

      true ->
        Logger.info("lent #{inspect(book)} to #{member}\t(#{days} days)")
        {:reply, :ok, Map.put(loans, book, %{book: book, member: member, days: days})}
    end
  end

  def overdue?(%{days: days}, today) when today > days, do: true
  def overdue?(_loan, _today), do: false

  def parse_isbn(text) do
    case Regex.run(~r/^(\d{3})-(\d{10})$/, text) do
      [_, prefix, rest] -> {:ok, String.to_integer(prefix <> rest)}
      nil -> {:error, ~s(not an "ISBN": #{text})}
    end
  end

  def sample, do: {0x1F, 1_000, 2.5e-3, ?a, ~w[alpha beta], 'chars', :"quoted atom"}
end
