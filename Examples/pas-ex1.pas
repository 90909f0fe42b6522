program Inventory;
{$mode objfpc}{$H+}

uses
  SysUtils, Classes;

{ A stock item. (* Comments of the other kind may sit inside. *) }
type
  TItem = record
    Name: string;
    Count: Integer;
    Price: Currency;
  end;

  TStock = class
  private
    FItems: array of TItem;
  public
    procedure Add(const AName: string; ACount: Integer; APrice: Currency);
    function Total: Currency;
  end;

procedure TStock.Add(const AName: string; ACount: Integer; APrice: Currency);
var
  I: Integer;
begin
  I := Length(FItems);
  SetLength(FItems, I + 1);
  FItems[I].Name := AName;
  FItems[I].Count := ACount;
  FItems[I].Price := APrice;
end;

function TStock.Total: Currency;
var
  Item: TItem;
begin
  Result := 0;
  for Item in FItems do
    Result := Result + Item.Count * Item.Price;  // sum of lines
end;

(* The main program. *)
var
  Stock: TStock;
begin
  Stock := TStock.Create;
  try
    Stock.Add('Tea', 10, 4.50);
    Stock.Add('Mug ''blue''', $0A, 1.2e1);
    WriteLn(Format('Total: %.2f', [Stock.Total]), #13#10, 'Mask: ', %1010);
  finally
    FreeAndNil(Stock);
  end;
end.
